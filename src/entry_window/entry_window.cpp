#include "entry_window.h"

#include "entry_layout.h"
#include "name_list_window.h"
#include "window_units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSessionManager>

#include <climits>

namespace pintwise {
namespace {

QString toQString(std::string_view ascii)
{
    return QString::fromUtf8(ascii.data(), static_cast<qsizetype>(ascii.size()));
}

} // namespace

EntryWindow::EntryWindow(LogStore& store, MessageBox& messages, QWidget* parent)
    : QWidget(parent)
    , m_controller(store, messages, *this)
{
    setObjectName(kEntryWindowName);
    setWindowTitle(kEntryWindowTitle);
    resize(twipsToPixels(*this, kEntryClientArea).size());
    buildControls();

    // Logging off is a close request like any other, but Qt 6 no longer turns
    // it into one: ask here, and keep the session from ending on No.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (isVisible() && manager.allowsInteraction()) {
            if (!close())
                manager.cancel();
            manager.release();
        }
    });
}

EntryWindow::~EntryWindow()
{
    delete m_nameList;
}

void EntryWindow::buildControls()
{
    // Plain child widgets at fixed places, no layout: resizing the window
    // leaves every control where it is.
    for (const FieldPlacement& row : kEntryFields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(row.name);
        edit->setMaxLength(INT_MAX); // no length limit: the store cuts on saving
        edit->setGeometry(twipsToPixels(*this, row.box));
        m_fields[static_cast<std::size_t>(row.field)] = edit;

        // The buddy makes a screen reader announce the field by its label.
        auto* label = new QLabel(row.caption, this);
        label->setObjectName(row.labelName);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setGeometry(twipsToPixels(*this, row.labelBox));
        label->setBuddy(edit);
        QFont font = label->font();
        font.setPointSizeF(pointSizeToFit(font.pointSizeF(), label->width(), [&](double size) {
            font.setPointSizeF(size);
            return QFontMetrics(font).horizontalAdvance(label->text());
        }));
        label->setFont(font);
    }

    std::array<QPushButton*, 8> buttons {};
    for (std::size_t i = 0; i < kEntryButtons.size(); ++i) {
        const ButtonPlacement& row = kEntryButtons[i];
        auto* button = new QPushButton(this);
        button->setObjectName(row.name);
        button->setText(row.caption);
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setGeometry(twipsToPixels(*this, row.box));
        const int index = row.index;
        if (row.array == ButtonArray::Action) {
            connect(button, &QPushButton::clicked, this, [this, index] { m_controller.actionClicked(index); });
            m_cmdAction[static_cast<std::size_t>(index)] = button;
        } else {
            connect(button, &QPushButton::clicked, this, [this, index] { m_controller.moveClicked(index); });
        }
        buttons[i] = button;
    }

    QWidget* previous = nullptr;
    const auto chain = [&](QWidget* next) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    };
    for (const FieldPlacement& row : kEntryFields)
        chain(field(row.field));
    for (const ButtonPlacement& row : kEntryButtonsInTabOrder)
        chain(buttons[(row.array == ButtonArray::Action ? 0U : 4U) + static_cast<std::size_t>(row.index)]);
    field(Field::Bier)->setFocus();
}

std::u16string EntryWindow::fieldText(Field f) const
{
    return field(f)->text().toStdU16String();
}

void EntryWindow::setFieldText(Field f, std::u16string_view text)
{
    QLineEdit* edit = field(f);
    edit->setText(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
    edit->setCursorPosition(0); // show the start of a long note, not its end
}

void EntryWindow::setActionCaption(int index, std::string_view caption)
{
    m_cmdAction[static_cast<std::size_t>(index)]->setText(toQString(caption));
}

Status EntryWindow::openNameList(LogStore& store)
{
    // A closed list is deleted only later; until then it counts as gone.
    if (m_nameList && m_nameList->isVisible()) {
        m_nameList->setWindowState(m_nameList->windowState() & ~Qt::WindowMinimized);
        m_nameList->raise();
        m_nameList->activateWindow();
        return {};
    }
    m_nameList = new NameListWindow;
    Status failure = m_nameList->fill(store);
    m_nameList->show();
    return failure;
}

NameListWindow* EntryWindow::nameListWindow() const
{
    return m_nameList;
}

void EntryWindow::closeNameList()
{
    if (m_nameList)
        m_nameList->close();
}

void EntryWindow::closeEvent(QCloseEvent* event)
{
    if (m_controller.closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace pintwise
