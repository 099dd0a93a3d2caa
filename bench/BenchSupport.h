#pragma once

#include <QDir>
#include <QImage>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

// Shared by the image benchmarks: the real 3840x2160 screenshots they run on
// and a CPU-time counter.
namespace Bench {

inline const QStringList& names() {
    static const QStringList list{"screenshot-doc-page-3840x2160.png", "screenshot-api-docs-dark-3840x2160.png",
                                  "screenshot-ui-with-photo-3840x2160.png"};
    return list;
}

// The 4K screenshots sit outside the repository, in ../shared/bench-data
// beside a checkout, or where ZORVI_BENCH_DATA says (a checkout elsewhere);
// without them the image benchmarks are skipped.
inline QString dataDir() {
    return qEnvironmentVariable("ZORVI_BENCH_DATA", QStringLiteral(ZORVI_BENCH_DATA_DIR));
}

inline std::optional<QImage> screenshot(const QString& name) {
    const QString path = QDir(dataDir()).filePath(name);
    QImage image(path);
    if (!image.isNull())
        return image;
    static bool told = false;
    if (!told)
        std::fprintf(stderr, "bench: no 4K screenshots at %s; the benchmarks that need them are skipped\n",
                     qPrintable(QDir::cleanPath(dataDir())));
    told = true;
    return std::nullopt;
}

// The screenshot `index` of names(), or nothing after marking the benchmark skipped.
inline std::optional<QImage> load(benchmark::State& state, int index) {
    std::optional<QImage> image = screenshot(names().at(index));
    if (!image)
        state.SkipWithError("4K screenshots not found (../shared/bench-data)");
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
