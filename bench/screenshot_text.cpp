// Reading the text of a screenshot (one thread, as zorvi-ocr does), and
// searching 100,000 captures whose screenshots carry text, in the store.
#include "BenchSupport.h"
#include "LibraryGenerator.h"

#include "ocr/OneThreadOpenMP.h"
#include "ocr/TextRecognizer.h"

#include <benchmark/benchmark.h>

namespace {

TextRecognizer& recognizer() {
    static TextRecognizer engine;
    return engine;
}

void recognise(benchmark::State& state, const QImage& image) {
    if (!recognizer().isReady()) {
        state.SkipWithError("tesseract-ocr-eng is not installed");
        return;
    }
    Bench::ProcessCpu cpu;
    for (auto _ : state)
        benchmark::DoNotOptimize(recognizer().recognise(image));
    cpu.report(state);
}

// A whole 4K display, as a full-screen capture on a 4K monitor.
void BM_Recognise4K(benchmark::State& state) {
    if (const auto image = Bench::load(state, int(state.range(0))))
        recognise(state, *image);
}
BENCHMARK(BM_Recognise4K)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same screens at 1920x1080, as on a 1080p monitor.
void BM_Recognise1080p(benchmark::State& state) {
    if (const auto image = Bench::load(state, int(state.range(0))))
        recognise(state, image->scaled(1920, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
BENCHMARK(BM_Recognise1080p)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

GeneratedLibrary& library() {
    static GeneratedLibrary lib(100000);
    static const bool filled = [] {
        // One screenshot each, with a few lines of text; one word in 1,000 is rare.
        lib.sql->executeRaw(
            "INSERT INTO capture_images (id, capture_id, position, image_path, created_at) "
            "SELECT 'img-' || id, id, 0, image_path, created_at FROM captures;"
            "INSERT INTO screenshot_text (image_id, capture_id, source, text, recognised_at) "
            "SELECT 'img-' || id, id, image_path || '|', 'Dashboard settings Save changes Cancel row ' || rowid || "
            "CASE WHEN rowid % 1000 = 0 THEN ' quarantined' ELSE '' END, 0 FROM captures;");
        return true;
    }();
    (void)filled;
    return lib;
}

// Searching the whole library, as the store does once it holds more than the
// board loads: a word in one screenshot of 1,000, and one in every screenshot.
void BM_StoreSearch(benchmark::State& state, const char* words) {
    CaptureStore& store = *library().store;
    CaptureQuery query;
    query.search = QString::fromUtf8(words);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.captures(query));
}
BENCHMARK_CAPTURE(BM_StoreSearch, rareScreenshotWord, "quarantined")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreSearch, commonWord, "settings")->Unit(benchmark::kMillisecond);

void BM_CapturesWithScreenshotText(benchmark::State& state) {
    CaptureStore& store = *library().store;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.capturesWithScreenshotText("quarantined", 1000));
}
BENCHMARK(BM_CapturesWithScreenshotText)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    OneThreadOpenMP::ensure(argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
