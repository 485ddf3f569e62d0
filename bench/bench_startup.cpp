// Figures 3 and 5, timed as whole processes: each run starts bench_startup_app
// (the real start-up) or bench_startup_floor (the bare controls) and waits for
// its "ready" line, alternating the two so the machine's load falls on both.
// Start-up is the time from spawning to that line; memory is the peak resident
// size each child reports with the name list (or the floor's list) open. The
// children show their windows on whichever platform QT_QPA_PLATFORM names
// (offscreen unless set): on xcb, "ready" means mapped, exposed and painted.

#include "bench_support.h"

#include <algorithm>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace pintwise;

namespace {

struct ChildRun {
    double milliseconds;
    long peakKiB;
};

ChildRun runChild(const std::string& program, const std::string& directory, bool list)
{
    int out[2];
    if (::pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string listFlag = list ? "--list" : "";
    std::vector<char*> argv { const_cast<char*>(program.c_str()), const_cast<char*>(directory.c_str()) };
    if (list)
        argv.push_back(listFlag.data());
    argv.push_back(nullptr);

    timespec start {}, end {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(program.c_str());
        std::exit(1);
    }
    ::close(out[1]);
    posix_spawn_file_actions_destroy(&actions);

    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    clock_gettime(CLOCK_MONOTONIC, &end);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (line.rfind("ready ", 0) != 0) {
        std::fprintf(stderr, "%s did not start\n", program.c_str());
        std::exit(1);
    }
    return { (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6, std::atol(line.c_str() + 6) };
}

} // namespace

int main(int argc, char* argv[])
{
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const std::string platform = chosen && *chosen ? chosen : "offscreen";
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
    std::string here(argv[0]);
    here = here.rfind('/') == std::string::npos ? "." : here.substr(0, here.rfind('/'));
    const std::string app = here + "/bench_startup_app", floor = here + "/bench_startup_floor";

    bench::BenchDir dir;
    bench::writeSampleLog(dir.path(), kMaxRecords);

    std::vector<double> appMs, floorMs;
    for (int run = -2; run < runs; ++run) { // two runs to warm up
        // Each goes first every other time: neither always starts on a warm cache.
        const bool appFirst = run % 2 == 0;
        const ChildRun first = runChild(appFirst ? app : floor, dir.path(), false);
        const ChildRun second = runChild(appFirst ? floor : app, dir.path(), false);
        const ChildRun& a = appFirst ? first : second;
        const ChildRun& f = appFirst ? second : first;
        if (run >= 0) {
            appMs.push_back(a.milliseconds);
            floorMs.push_back(f.milliseconds);
        }
    }
    bench::printFigure(("3 start-up to record 1, " + platform + " (median)").c_str(), bench::median(appMs),
                       bench::median(floorMs), "ms", 1.1, bench::median(bench::ratios(appMs, floorMs)));

    // The peak hardly varies from run to run: the lowest of a few is enough.
    long appPeak = LONG_MAX, floorPeak = LONG_MAX;
    for (int run = 0; run < 3; ++run) {
        appPeak = std::min(appPeak, runChild(app, dir.path(), true).peakKiB);
        floorPeak = std::min(floorPeak, runChild(floor, dir.path(), true).peakKiB);
    }
    bench::printMemoryFigure(("5 peak memory, list open, " + platform + " (min)").c_str(), appPeak, floorPeak, 4);
    return 0;
}
