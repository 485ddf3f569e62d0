#pragma once

#include "log_store.h"

#include <QWidget>

class QListView;
class QStringListModel;

// frmBierList: the names of every entry in the log, one line per record slot
// in record order, in a list that always fills the window. It offers no
// commands: a line can be selected and nothing more. It has no message box of
// its own; a read error goes back to whoever asked for the filling.

namespace pintwise {

class NameListWindow : public QWidget {
    Q_OBJECT

public:
    explicit NameListWindow(QWidget* parent = nullptr);

    // Reads records 1 to the record count, once, each name without its
    // trailing spaces. Stops at the first read error; the lines so far stay.
    [[nodiscard]] Status fill(LogStore& store);

    QListView* list() const { return m_list; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitListToClientArea();

    QListView* m_list;
    QStringListModel* m_names;
};

} // namespace pintwise
