#include "name_list_window.h"

#include "name_list_lines.h"
#include "window_units.h"

#include <QEvent>
#include <QListView>
#include <QStringListModel>

namespace pintwise {

NameListWindow::NameListWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_list(new QListView(this))
    , m_names(new QStringListModel(this))
{
    setObjectName(kNameListWindowName);
    setWindowTitle(kNameListTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsToPixels(*this, kNameListClientArea).size());

    // A model and a view with uniform rows, rather than one item widget per
    // line: a log at its limit of 32,767 names opens without a pause.
    m_list->setObjectName(kNameListName);
    m_list->setModel(m_names);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setGeometry(twipsToPixels(*this, kNameListBox));
}

Status NameListWindow::fill(LogStore& store)
{
    QStringList names;
    names.reserve(store.recordCount());
    Status failure = readNames(store, [&](std::u16string_view name) {
        names.append(QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size())));
    });
    m_names->setStringList(names);
    return failure;
}

void NameListWindow::fitListToClientArea()
{
    m_list->setGeometry(isMinimized() ? QRect() : rect());
}

void NameListWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitListToClientArea();
}

void NameListWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Qt keeps a minimised window's size; the list shrinks to nothing all the same.
    if (event->type() == QEvent::WindowStateChange)
        fitListToClientArea();
}

} // namespace pintwise
