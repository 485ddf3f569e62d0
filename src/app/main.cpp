#include "application_identity.h"
#include "entry_window.h"
#include "log_store.h"
#include "qt_message_box.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    pintwise::setApplicationIdentity(app);

    pintwise::LogStore store; // "Entry.Dat" beside this executable
    pintwise::QtMessageBox messages;
    pintwise::EntryWindow window(store, messages);
    messages.setParentWindow(&window);

    switch (window.load()) {
    case pintwise::EntryWindow::LoadResult::Shown:
        return app.exec();
    case pintwise::EntryWindow::LoadResult::Declined:
        return EXIT_SUCCESS;
    case pintwise::EntryWindow::LoadResult::Failed:
        break;
    }
    return EXIT_FAILURE;
}
