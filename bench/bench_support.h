#pragma once

#include "bench_common.h"
#include "code_page.h"
#include "log_store.h"
#include "qt_message_box.h"
#include "window_units.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringList>
#include <QStringListModel>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// What every benchmark program shares: a sample log at the format's limit,
// waiting for a window's first paint, the floor's bare controls, and the
// FIGURE lines scripts/bench.sh gathers into its table.

namespace pintwise::bench {

// A fresh directory under $TMPDIR (or /tmp), removed again on destruction.
class BenchDir {
public:
    BenchDir()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pintwise-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
    }
    ~BenchDir() { std::filesystem::remove_all(m_path); }
    BenchDir(const BenchDir&) = delete;
    BenchDir& operator=(const BenchDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const char* name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes "Entry.Dat" with `count` sample records into `directory`.
// A benchmark's own file: one that cannot be opened ends the program.
inline int openOrDie(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return fd;
}

inline void writeSampleLog(const std::string& directory, int count)
{
    std::ofstream out(directory + "/" + LogStore::kDataFileName, std::ios::binary | std::ios::trunc);
    for (int n = 1; n <= count; ++n) {
        const RecordBytes bytes = sampleRecord(n).toBytes();
        out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write the sample log in %s\n", directory.c_str());
        std::exit(1);
    }
}

// Answers every question Yes: nothing in a bench waits for a person.
class YesMessageBox final : public MessageBox {
public:
    Answer show(std::string_view, Buttons, Icon, std::string_view) override { return Answer::Yes; }
};

// Runs the event loop until `widget` has received its first paint event
// since the call (the whole window is painted and flushed in the same pass).
inline void waitForPaint(QWidget* widget)
{
    struct Watch : QObject {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            painted = painted || event->type() == QEvent::Paint;
            return false;
        }
    } watch;
    widget->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    while (!watch.painted) {
        QCoreApplication::processEvents();
        if (timer.elapsed() > 30000) {
            std::fprintf(stderr, "no paint event within 30 s\n");
            std::exit(1);
        }
    }
}

// The entry window's 28 controls at the same places, with nothing behind them.
inline void addBareControls(QWidget& window)
{
    static const char* const labels[kFieldCount] = {
        "Name of Bier:", "Country of Orgin:",       "Location:", "Style:", "Taste:",
        "Brewery:",      "Tasted at/Purchesed at:", "Cost:",     "Color:", "Notes:",
    };
    window.setWindowTitle("Tapsmith Pintwise");
    window.resize(twipsToPixels(window, 0, 0, 10785, 6195).size());
    for (int i = 0; i < kFieldCount; ++i) {
        const int right = i / 5, top = 600 + 600 * (i % 5);
        const bool notes = i == kFieldCount - 1;
        auto* edit = new QLineEdit(&window);
        edit->setGeometry(twipsToPixels(window, right ? 7200 : 2280, top, notes ? 3375 : 2175, notes ? 855 : 375));
        auto* label = new QLabel(labels[i], &window);
        label->setGeometry(twipsToPixels(window, right ? 5160 : 120, top + 120, 1815, 255));
    }
    static const char* const captions[8] = { "New", "Delete", "List", "Exit", "<<", "<", ">", ">>" };
    static const int lefts[4] = { 240, 2520, 5520, 8040 };
    for (int i = 0; i < 8; ++i) {
        auto* button = new QPushButton(captions[i], &window);
        button->setGeometry(twipsToPixels(window, lefts[i % 4], i < 4 ? 4200 : 4920, 1215, 495));
    }
}

// The name list's floor, the least the machine can do to show the names:
// one read() of the whole log, each record's first 20 bytes decoded (up to a
// zero byte, without trailing spaces) straight into a QString, and a bare
// QListView over a QStringListModel of them, as big as the name list window.
// Returns the view, a window of its own, shown and not yet painted.
inline std::unique_ptr<QListView> showNamesAtTheLimit(const std::string& logFile)
{
    const int fd = openOrDie(logFile, O_RDONLY);
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        std::perror(logFile.c_str());
        std::exit(1);
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(size);
    if (::read(fd, bytes.get(), size) != static_cast<ssize_t>(size)) {
        std::fprintf(stderr, "short read of %s\n", logFile.c_str());
        std::exit(1);
    }
    ::close(fd);

    const std::size_t count = size / kRecordSize;
    QStringList names;
    names.reserve(static_cast<qsizetype>(count));
    for (std::size_t n = 0; n < count; ++n) {
        const unsigned char* name = bytes.get() + n * kRecordSize;
        std::size_t length = 0;
        while (length < 20 && name[length] != 0)
            ++length;
        while (length > 0 && name[length - 1] == ' ')
            --length;
        QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
        QChar* out = text.data();
        for (std::size_t i = 0; i < length; ++i)
            out[i] = QChar(codePageInUse().character(name[i]));
        names.append(std::move(text));
    }

    auto view = std::make_unique<QListView>();
    auto* model = new QStringListModel(names, view.get());
    view->setModel(model);
    view->setUniformItemSizes(true);
    view->resize(twipsToPixels(*view, 0, 0, 4155, 7170).size()); // the name list window's size
    view->show();
    return view;
}

inline long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Each of `values` over the one at the same place in `floors`.
inline std::vector<double> ratios(const std::vector<double>& values, const std::vector<double>& floors)
{
    std::vector<double> result;
    for (std::size_t i = 0; i < values.size() && i < floors.size(); ++i)
        result.push_back(values[i] / floors[i]);
    return result;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// One row of the table: FIGURE, name, measured, floor, ratio, goal, verdict.
// The ratio is value / floor unless given: a figure measured in pairs gives
// the median of each pair's ratio, which a busy spell falling on some pairs
// moves less than it moves either median.
inline void printFigure(const char* name, double value, double floor, const char* unit, double goalRatio,
                        double ratio = 0)
{
    if (ratio == 0)
        ratio = value / floor;
    std::printf("FIGURE\t%s\t%.3g %s\t%.3g %s\t%.2fx\t<= %.1fx\t%s\n", name, value, unit, floor, unit, ratio, goalRatio,
                ratio <= goalRatio ? "met" : "MISSED");
    std::fflush(stdout);
}

inline void printMemoryFigure(const char* name, long valueKiB, long floorKiB, double goalMiB)
{
    const double above = (valueKiB - floorKiB) / 1024.0;
    std::printf("FIGURE\t%s\t%.1f MiB\t%.1f MiB\t%.2fx (%+.1f MiB)\t<= floor + %.0f MiB\t%s\n", name, valueKiB / 1024.0,
                floorKiB / 1024.0, double(valueKiB) / floorKiB, above, goalMiB, above <= goalMiB ? "met" : "MISSED");
    std::fflush(stdout);
}

} // namespace pintwise::bench
