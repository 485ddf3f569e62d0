// The start-up floor: the entry window's 28 controls shown with nothing behind
// them; given --list, also the name list's floor over the log in the directory
// given (one read() of it, the names decoded into a bare QListView). Prints
// "ready <peak resident KiB>" once painted.

#include "bench_support.h"

#include <QApplication>

using namespace pintwise;

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    QApplication app(argc, argv);

    QWidget window;
    bench::addBareControls(window);
    window.show();
    bench::waitForPaint(&window);

    std::unique_ptr<QListView> list;
    if (argc > 2 && std::string(argv[2]) == "--list") {
        list = bench::showNamesAtTheLimit(std::string(argv[1]) + "/" + LogStore::kDataFileName);
        bench::waitForPaint(list->viewport());
    }
    std::printf("ready %ld\n", bench::peakResidentKiB());
    std::fflush(stdout);
    std::_Exit(0);
}
