#include "name_list_window.h"

#include "log_text.h"
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
    setObjectName("frmBierList");
    setWindowTitle("Bier List");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsToPixels(*this, 0, 0, 4155, 7170).size());

    // A model and a view with uniform rows, rather than one item widget per
    // line: a log at its limit of 32,767 names opens without a pause.
    m_list->setObjectName("List1");
    m_list->setModel(m_names);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setGeometry(twipsToPixels(*this, 120, 240, 3855, 6690));
}

Status NameListWindow::fill(LogStore& store)
{
    const int count = store.recordCount();
    QStringList names;
    names.reserve(count);
    Status failure;
    for (int n = 1; n <= count; ++n) {
        failure = store.readRecord(static_cast<RecordNumber>(n));
        if (failure)
            break;
        names.append(fieldText(store.recordBuffer(), Field::Bier, TrailingSpaces::Trim));
    }
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
