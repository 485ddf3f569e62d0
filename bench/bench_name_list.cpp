// Figure 1: from the List click to the name list shown, filled and painted,
// on a log at its limit, against a bare QListView showing the same names.

#include "bench_support.h"
#include "entry_window.h"
#include "name_list_window.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>

using namespace pintwise;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;

    bench::BenchDir dir;
    bench::writeSampleLog(dir.path(), kMaxRecords);
    const QStringList names = bench::sampleNames(kMaxRecords);

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

        double floorMs = 0;
        {
            timer.restart();
            QStringListModel model(names);
            QListView view;
            view.setModel(&model);
            view.setUniformItemSizes(true);
            view.resize(bench::nameListSize(view));
            view.show();
            bench::waitForPaint(view.viewport());
            floorMs = timer.nsecsElapsed() / 1e6;
        }
        QCoreApplication::processEvents();
        if (run >= 0) {
            real.push_back(realMs);
            floor.push_back(floorMs);
        }
    }
    bench::printFigure("1 name list at 32,767 (median)", bench::median(real), bench::median(floor), "ms", 1.5);
    return 0;
}
