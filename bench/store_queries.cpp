#include "LibraryGenerator.h"

#include <benchmark/benchmark.h>

namespace {

GeneratedLibrary& library() {
    static GeneratedLibrary lib(100000);
    return lib;
}

void BM_BoardCapturesQuery(benchmark::State& state) {
    CaptureStore& store = *library().store;
    CaptureQuery query; // the board's reload: no filters, 1000 rows, newest first
    for (auto _ : state)
        benchmark::DoNotOptimize(store.captures(query));
}
BENCHMARK(BM_BoardCapturesQuery)->Unit(benchmark::kMillisecond);

void BM_ActiveCapturesQuery(benchmark::State& state) {
    CaptureStore& store = *library().store;
    CaptureQuery query;
    query.statuses = std::vector{CaptureStatus::open, CaptureStatus::inProgress};
    for (auto _ : state)
        benchmark::DoNotOptimize(store.captures(query));
}
BENCHMARK(BM_ActiveCapturesQuery)->Unit(benchmark::kMillisecond);

void BM_CountsByStatus(benchmark::State& state) {
    CaptureStore& store = *library().store;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.countsByStatus());
}
BENCHMARK(BM_CountsByStatus)->Unit(benchmark::kMillisecond);

void BM_BoardReload(benchmark::State& state) {
    CaptureStore& store = *library().store;
    CaptureQuery query;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.captures(query));
        benchmark::DoNotOptimize(store.countsByStatus());
    }
}
BENCHMARK(BM_BoardReload)->Unit(benchmark::kMillisecond);

// What an agent quotes: the first 8 characters of an id, here in capitals.
// Every generated id starts with its own number, so each prefix names one
// capture (every 50th is deleted, so those are stepped over).
void BM_ResolveCaptureIDPrefix(benchmark::State& state) {
    CaptureStore& store = *library().store;
    int i = 1;
    for (auto _ : state) {
        int number = 1 + (i++ * 7919) % 100000;
        if (number % 50 == 0)
            ++number;
        const QString prefix = QString::asprintf("%08X", number);
        if (!store.resolveCaptureID(prefix))
            state.SkipWithError("a prefix did not resolve");
    }
}
BENCHMARK(BM_ResolveCaptureIDPrefix)->Unit(benchmark::kMicrosecond);

void BM_ChangeStamp(benchmark::State& state) {
    CaptureStore& store = *library().store;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.changeStamp());
}
BENCHMARK(BM_ChangeStamp)->Unit(benchmark::kMicrosecond);

} // namespace
