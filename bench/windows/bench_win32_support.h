#pragma once

#include "bench_common.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// What the Windows benchmarks share: a sample log with every field filled,
// medians, and the FIGURE line scripts/bench.sh gathers into its table. No
// window and no file of its own: each benchmark writes the log where it needs it.

namespace pintwise::bench {

// `count` sample records, as the log's bytes.
inline std::string sampleLog(int count)
{
    std::string log;
    log.reserve(static_cast<std::size_t>(count) * kRecordSize);
    for (int n = 1; n <= count; ++n) {
        const RecordBytes bytes = sampleRecord(n).toBytes();
        log.append(bytes.begin(), bytes.end());
    }
    return log;
}

inline double microseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// One row of the table: FIGURE, name, measured, floor, ratio, goal, verdict.
// The ratio is the median of each pair's, measured side by side, which a busy
// spell falling on some pairs moves less than it moves either median.
inline void printFigure(const char* name, double value, double floor, const char* unit, double ratio, double goal)
{
    std::printf("FIGURE\t%s\t%.3g %s\t%.3g %s\t%.2fx\t<= %.1fx\t%s\n", name, value, unit, floor, unit, ratio, goal,
                ratio <= goal ? "met" : "MISSED");
    std::fflush(stdout);
}

} // namespace pintwise::bench
