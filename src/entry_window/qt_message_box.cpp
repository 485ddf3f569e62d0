#include "qt_message_box.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace pintwise {
namespace {

// QMessageBox makes "No" its escape button on its own; a question that must
// be answered needs both ways of escaping it shut.
class AnswerRequiredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

MessageBox::Answer QtMessageBox::show(std::string_view promptUtf8, Buttons buttons, Icon icon, std::string_view title)
{
    QWidget* parent = m_parent && m_parent->isVisible() ? m_parent.data() : nullptr;
    const QMessageBox::Icon boxIcon = icon == Icon::Question ? QMessageBox::Question : QMessageBox::NoIcon;
    const QString boxTitle = QString::fromUtf8(title.empty() ? std::string_view(kDefaultTitle) : title);
    const QString prompt = QString::fromUtf8(promptUtf8);

    if (buttons == Buttons::Ok) {
        QMessageBox box(boxIcon, boxTitle, prompt, QMessageBox::Ok, parent);
        box.setObjectName("messageBox");
        box.setTextFormat(Qt::PlainText); // a file name is never markup
        box.exec();
        return Answer::Ok;
    }

    AnswerRequiredBox box(boxIcon, boxTitle, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName("messageBox");
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
}

} // namespace pintwise
