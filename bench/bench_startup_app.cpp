// The real program's start-up, as main() does it, on the log in the directory
// given: prints "ready <peak resident KiB>" once the entry window is painted
// with record 1 or, given --list, once the name list opened from it is painted.

#include "application_identity.h"
#include "bench_support.h"
#include "entry_window.h"
#include "name_list_window.h"

#include <QApplication>
#include <QListView>

using namespace pintwise;

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    QApplication app(argc, argv);
    setApplicationIdentity(app);

    LogStore store(argv[1]); // stands in for the executable's own directory
    QtMessageBox messages;
    EntryWindow window(store, messages);
    messages.setParentWindow(&window);
    if (window.load() != EntryWindow::LoadResult::Shown)
        return 1;
    bench::waitForPaint(&window);

    if (argc > 2 && std::string(argv[2]) == "--list") {
        window.findChild<QPushButton*>("cmdAction2")->click();
        bench::waitForPaint(window.nameListWindow()->list()->viewport());
    }
    std::printf("ready %ld\n", bench::peakResidentKiB());
    std::fflush(stdout);
    std::_Exit(0); // the figure ends here; tearing down is not part of it
}
