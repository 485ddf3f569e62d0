// The start-up floor: the entry window's 28 controls shown with nothing behind
// them; given --list, also a bare QListView over the 32,767 names, as in the
// name list figure. Prints "ready <peak resident KiB>" once painted.

#include "bench_support.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>

using namespace pintwise;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    QWidget window;
    bench::addBareControls(window);
    window.show();
    bench::waitForPaint(&window);

    if (argc > 2 && std::string(argv[2]) == "--list") {
        auto* model = new QStringListModel(bench::sampleNames(kMaxRecords), &window);
        auto* view = new QListView; // a window of its own, as the name list is
        view->setModel(model);
        view->setUniformItemSizes(true);
        view->resize(bench::nameListSize(*view));
        view->show();
        bench::waitForPaint(view->viewport());
    }
    std::printf("ready %ld\n", bench::peakResidentKiB());
    std::fflush(stdout);
    std::_Exit(0);
}
