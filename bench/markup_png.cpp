// PNG originals: the library's encoder against QImage::save with Qt's
// defaults, on real 4K screenshots. The size_vs_qt counter is the file size
// relative to Qt's for the same image.
#include "BenchSupport.h"
#include "capture/ImageWriter.h"
#include "capture/PngEncoder.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

qint64 qtDefaultSize(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data.size();
}

void BM_QtDefaultSave(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& image = *loaded;
    QTemporaryDir dir;
    const QString path = dir.filePath("qt.png");
    const Bench::ProcessCpu cpu;
    for (auto _ : state)
        benchmark::DoNotOptimize(image.save(path, "PNG"));
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))));
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void BM_LibraryPngWrite(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& image = *loaded;
    QTemporaryDir dir;
    const QString path = dir.filePath("library.png");
    qint64 bytes = 0;
    const Bench::ProcessCpu cpu;
    for (auto _ : state) {
        const std::optional<QByteArray> png = ImageWriter::encode(image, ImageWriter::Type::png, 1.0);
        ImageWriter::writeAtomically(path, *png);
        bytes = png->size();
    }
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))));
    state.counters["bytes"] = double(bytes);
    state.counters["size_vs_qt"] = double(bytes) / double(qtDefaultSize(image));
}

// The settings sweep behind PngEncoder's defaults: (image, deflate level,
// filter: 0 none, 2 up, 4 paeth, 5 none for rows of runs and up otherwise,
// 6 none for rows of runs and the cheapest filter otherwise).
void BM_PngEncoderSettings(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& image = *loaded;
    const int level = int(state.range(1));
    const auto filter = static_cast<PngEncoder::Filter>(state.range(2));
    qint64 bytes = 0;
    const Bench::ProcessCpu cpu;
    for (auto _ : state)
        bytes = PngEncoder::encode(image, level, filter)->size();
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))) + " level " + std::to_string(level) + " filter " +
                   std::to_string(state.range(2)));
    state.counters["size_vs_qt"] = double(bytes) / double(qtDefaultSize(image));
}

} // namespace

BENCHMARK(BM_QtDefaultSave)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibraryPngWrite)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngEncoderSettings)
    ->ArgsProduct({{0, 1, 2}, {1, 2, 3, 6}, {0, 2, 4, 5, 6}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
