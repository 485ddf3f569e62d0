#include "entry_window.h"
#include "log_store.h"
#include "message_box.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    pintwise::LogStore store; // "Entry.Dat" beside this executable
    pintwise::QtMessageBox messages;
    pintwise::EntryWindow window(store, messages);
    messages.setParentWindow(&window);

    if (!window.load())
        return 0;
    return app.exec();
}
