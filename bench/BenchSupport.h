#pragma once

#include <QDir>
#include <QImage>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <stdexcept>

// Shared by the image benchmarks: the real 3840x2160 screenshots they run on
// and a CPU-time counter.
namespace Bench {

inline const QStringList& names() {
    static const QStringList list{"screenshot-doc-page-3840x2160.png", "screenshot-api-docs-dark-3840x2160.png",
                                  "screenshot-ui-with-photo-3840x2160.png"};
    return list;
}

inline QImage load(int index) {
    const QImage image(QDir(ZORVI_BENCH_DATA_DIR).filePath(names().at(index)));
    if (image.isNull())
        throw std::runtime_error("missing benchmark image " + names().at(index).toStdString());
    return image;
}

inline std::string label(int index) { return names().at(index).section('-', 1, 2).toStdString(); }

// Qt spreads large scaling and conversion work over its thread pool, which
// the calling thread's CPU time misses and wall time on a busy machine
// inflates. This counts CPU time of every thread of the process instead.
class ProcessCpu {
public:
    ProcessCpu() : start_(std::clock()) {}

    // Reports the process CPU milliseconds per iteration as "cpu_all_ms".
    void report(benchmark::State& state) const {
        const double ms = double(std::clock() - start_) * 1000.0 / CLOCKS_PER_SEC;
        state.counters["cpu_all_ms"] = ms / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    }

private:
    std::clock_t start_;
};

} // namespace Bench
