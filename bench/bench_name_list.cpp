// Figure 1: from the List click to the name list shown, filled and painted,
// on a log at its limit, against the machine's limit for the same picture:
// one read() of the log, the names decoded into the same model and the same
// view shown. Runs on whichever platform QT_QPA_PLATFORM names (offscreen
// unless set); scripts/bench.sh runs it offscreen and on Xvfb.

#include "bench_support.h"
#include "entry_window.h"
#include "name_list_window.h"

#include <QApplication>

using namespace pintwise;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;

    bench::BenchDir dir;
    bench::writeSampleLog(dir.path(), kMaxRecords);
    const std::string logFile = dir.file(LogStore::kDataFileName);

    LogStore store(dir.path());
    bench::YesMessageBox messages;
    EntryWindow window(store, messages);
    if (window.load() != EntryWindow::LoadResult::Shown)
        return 1;
    bench::waitForPaint(&window);
    auto* listButton = window.findChild<QPushButton*>("cmdAction2");

    std::vector<double> real, floor;
    for (int run = -2; run < runs; ++run) { // two runs to warm up
        QElapsedTimer timer;
        timer.start();
        listButton->click();
        bench::waitForPaint(window.nameListWindow()->list()->viewport());
        const double realMs = timer.nsecsElapsed() / 1e6;
        delete window.nameListWindow();
        QCoreApplication::processEvents();

        timer.restart();
        auto view = bench::showNamesAtTheLimit(logFile);
        bench::waitForPaint(view->viewport());
        const double floorMs = timer.nsecsElapsed() / 1e6;
        view.reset();
        QCoreApplication::processEvents();
        if (run >= 0) {
            real.push_back(realMs);
            floor.push_back(floorMs);
        }
    }
    const bool offscreen = QGuiApplication::platformName() == "offscreen";
    bench::printFigure(qPrintable("1 name list at 32,767, " + QGuiApplication::platformName() + " (median)"),
                       bench::median(real), bench::median(floor), "ms", offscreen ? 1.5 : 1.2,
                       bench::median(bench::ratios(real, floor)));
    return 0;
}
