// Thumbnails: downscale to 900 px and JPEG at quality 0.82, from 4K.
#include "BenchSupport.h"
#include "capture/ImageWriter.h"

#include <QBuffer>

#include <benchmark/benchmark.h>

namespace {

void BM_LibraryThumbnail(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& image = *loaded;
    qint64 bytes = 0;
    const Bench::ProcessCpu cpu;
    for (auto _ : state)
        bytes = ImageWriter::thumbnailData(image)->size();
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))));
    state.counters["bytes"] = double(bytes);
}

// The same work through QImage's own calls with Qt's default JPEG settings.
void BM_QtDefaultThumbnail(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& image = *loaded;
    const Bench::ProcessCpu cpu;
    for (auto _ : state) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.scaled(900, 900, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(&buffer, "JPG");
        benchmark::DoNotOptimize(data.size());
    }
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))));
}

} // namespace

BENCHMARK(BM_LibraryThumbnail)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtDefaultThumbnail)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
