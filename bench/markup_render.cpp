// Rendering marks: the editor's 1600-px live preview and the full-size save,
// each with 20 shapes of which 3 are blur areas.
#include "BenchSupport.h"
#include "capture/ImageWriter.h"
#include "markup/AnnotationRenderer.h"
#include "markup/MarkPreview.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

AnnotationShape shape(AnnotationTool tool, QList<AnnotationPoint> points, const char* color = "#FF3B30") {
    static int next = 0;
    return AnnotationShape{QString::number(++next), tool, color, 0.005, std::move(points)};
}

QList<AnnotationPoint> scribble(double x, double y, int count) {
    QList<AnnotationPoint> points;
    for (int i = 0; i < count; ++i)
        points.append({x + 0.002 * i, y + 0.03 * std::sin(i / 5.0)});
    return points;
}

// A busy but realistic markup: three blurred areas and seventeen strokes.
Annotation twentyShapes() {
    Annotation annotation;
    annotation.shapes = {
        shape(AnnotationTool::blur, {{0.05, 0.05}, {0.35, 0.25}}, "#000000"),
        shape(AnnotationTool::blur, {{0.6, 0.1}, {0.9, 0.3}}, "#000000"),
        shape(AnnotationTool::blur, {{0.3, 0.6}, {0.55, 0.8}}, "#000000"),
    };
    for (int i = 0; i < 4; ++i)
        annotation.shapes.append(shape(AnnotationTool::pen, scribble(0.1 + 0.2 * i, 0.4, 60), "#34C759"));
    for (int i = 0; i < 4; ++i)
        annotation.shapes.append(
            shape(AnnotationTool::arrow, {{0.1 + 0.2 * i, 0.9}, {0.15 + 0.2 * i, 0.55}}, "#0A84FF"));
    for (int i = 0; i < 3; ++i)
        annotation.shapes.append(
            shape(AnnotationTool::rectangle, {{0.05 + 0.3 * i, 0.3}, {0.25 + 0.3 * i, 0.5}}));
    for (int i = 0; i < 3; ++i)
        annotation.shapes.append(
            shape(AnnotationTool::ellipse, {{0.1 + 0.3 * i, 0.6}, {0.2 + 0.3 * i, 0.75}}, "#AF52DE"));
    for (int i = 0; i < 3; ++i)
        annotation.shapes.append(shape(AnnotationTool::highlight, scribble(0.2 + 0.25 * i, 0.15, 40), "#FFCC00"));
    return annotation;
}

void renderAt(benchmark::State& state, int maxEdge) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage& full = *loaded;
    const QImage image = maxEdge ? *ImageWriter::downscale(full, maxEdge) : full;
    const Annotation annotation = twentyShapes();
    const Bench::ProcessCpu cpu;
    for (auto _ : state)
        benchmark::DoNotOptimize(AnnotationRenderer::render(annotation, image));
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))) + " " + std::to_string(image.width()) + "x" +
                   std::to_string(image.height()));
}

void BM_RenderPreview1600(benchmark::State& state) { renderAt(state, 1600); }
void BM_RenderFullSize(benchmark::State& state) { renderAt(state, 0); }

// One frame of a drag in the editor's 1600-px preview: a mark of the twenty
// moves by a few pixels and the kept preview is brought up to date. The
// second argument is the mark dragged: 0 a blur, 10 a box.
void BM_PreviewDragFrame(benchmark::State& state) {
    const std::optional<QImage> loaded = Bench::load(state, int(state.range(0)));
    if (!loaded)
        return;
    const QImage image = *ImageWriter::downscale(*loaded, 1600);
    Annotation annotation = twentyShapes();
    MarkPreview preview(image);
    preview.update(annotation.shapes);
    const qsizetype dragged = state.range(1);
    const QList<AnnotationPoint> start = annotation.shapes[dragged].points;
    int frame = 0;
    const Bench::ProcessCpu cpu;
    for (auto _ : state) {
        const double offset = 0.002 * (++frame % 50);
        for (qsizetype i = 0; i < start.size(); ++i)
            annotation.shapes[dragged].points[i] = {start[i].x + offset, start[i].y + offset / 2};
        benchmark::DoNotOptimize(preview.update(annotation.shapes));
    }
    cpu.report(state);
    state.SetLabel(Bench::label(int(state.range(0))) + (dragged == 0 ? " blur" : " box"));
}

} // namespace

BENCHMARK(BM_RenderPreview1600)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewDragFrame)->ArgsProduct({{0, 1, 2}, {0, 10}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderFullSize)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
