#include "markup/AnnotationRenderer.h"
#include "markup/MarkPreview.h"
#include "support/OffscreenGui.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

AnnotationShape make(AnnotationTool tool, QList<AnnotationPoint> points, QString color = "#FF3B30",
                     double lineWidth = 0.005, QString text = {}) {
    static int counter = 0;
    return AnnotationShape{QString::number(++counter), tool, std::move(color), lineWidth, std::move(points),
                           std::move(text)};
}

AnnotationShape moved(AnnotationShape shape, double dx, double dy) {
    for (AnnotationPoint& point : shape.points)
        point = {point.x + dx, point.y + dy};
    return shape;
}

QList<AnnotationPoint> wave(double x, double y, int count) {
    QList<AnnotationPoint> points;
    for (int i = 0; i < count; ++i)
        points.append({x + 0.004 * i, y + 0.03 * std::sin(i / 4.0)});
    return points;
}

// Overlapping marks of every kind: blurs under strokes, a highlight
// multiplying over a blur, steps whose numbers depend on their order.
QList<AnnotationShape> busyMarkup() {
    return {
        make(AnnotationTool::blur, {{0.05, 0.05}, {0.35, 0.3}}, "#000000"),
        make(AnnotationTool::pen, wave(0.1, 0.2, 50), "#34C759"),
        make(AnnotationTool::step, {{0.3, 0.3}, {0.3, 0.3}}),
        make(AnnotationTool::blur, {{0.5, 0.4}, {0.8, 0.7}}, "#000000", 0.009),
        make(AnnotationTool::highlight, wave(0.45, 0.5, 40), "#FFCC00"),
        make(AnnotationTool::arrow, {{0.9, 0.9}, {0.6, 0.55}}, "#0A84FF"),
        make(AnnotationTool::rectangle, {{0.2, 0.6}, {0.45, 0.85}}),
        make(AnnotationTool::ellipse, {{0.55, 0.1}, {0.75, 0.35}}, "#AF52DE", 0.01),
        make(AnnotationTool::text, {{0.6, 0.75}, {0.6, 0.75}}, "#FFFFFF", 0.005, "Wrong total"),
        make(AnnotationTool::step, {{0.7, 0.2}, {0.7, 0.2}}),
    };
}

// The kept preview against a fresh render of the same shapes, pixel for pixel.
void expectSameAsFreshRender(MarkPreview& preview, const QImage& source, const QList<AnnotationShape>& shapes,
                             const char* step) {
    const QImage kept = preview.update(shapes);
    const QImage fresh = AnnotationRenderer::renderMarks(Annotation{shapes}, source)
                             .value_or(AnnotationRenderer::workingFormat(source));
    ASSERT_EQ(kept.size(), fresh.size()) << step;
    ASSERT_EQ(kept.format(), fresh.format()) << step;
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            if (kept.pixel(x, y) != fresh.pixel(x, y))
                FAIL() << step << ": pixel " << x << "," << y << " is " << std::hex << kept.pixel(x, y)
                       << " instead of " << fresh.pixel(x, y);
}

// An editing session: drags that move a blur across strokes and over
// another blur, resizes, additions, a deletion that renumbers steps, undo
// back to nothing. After every edit the kept preview equals a full render.
void editingSession(const QImage& source) {
    MarkPreview preview(source);
    QList<AnnotationShape> shapes = busyMarkup();
    expectSameAsFreshRender(preview, source, shapes, "first frame");

    for (int frame = 1; frame <= 6; ++frame) {
        shapes[0] = moved(shapes[0], 0.07, 0.05);
        expectSameAsFreshRender(preview, source, shapes, "blur dragged");
    }
    shapes[3].lineWidth = 0.0025;
    expectSameAsFreshRender(preview, source, shapes, "blur made finer in place");
    shapes[3].points.back() = {0.83, 0.95};
    expectSameAsFreshRender(preview, source, shapes, "blur resized, so its blocks change");
    for (int frame = 1; frame <= 3; ++frame) {
        shapes[4] = moved(shapes[4], -0.05, 0.02);
        expectSameAsFreshRender(preview, source, shapes, "highlight dragged over a blur");
    }
    shapes[5] = moved(shapes[5], -0.4, -0.3);
    expectSameAsFreshRender(preview, source, shapes, "arrow jumped across the image");
    shapes.append(make(AnnotationTool::blur, {{0.25, 0.55}, {0.5, 0.75}}, "#000000"));
    expectSameAsFreshRender(preview, source, shapes, "blur added over strokes listed before it");
    shapes.removeAt(2);
    expectSameAsFreshRender(preview, source, shapes, "first step deleted, the other renumbered");
    shapes.move(0, shapes.size() - 1);
    expectSameAsFreshRender(preview, source, shapes, "order changed");
    shapes[0] = moved(shapes[0], 2, 2);
    expectSameAsFreshRender(preview, source, shapes, "stroke dragged off the image");
    shapes.clear();
    expectSameAsFreshRender(preview, source, shapes, "everything undone");
}

} // namespace

TEST(MarkPreview, KeptPreviewMatchesAFreshRenderAfterEveryEdit) {
    ensureGuiApplication();
    editingSession(TestImages::docPage());

    // Translucent sources keep premultiplied alpha through partial repaints.
    QImage translucent = TestImages::photo().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(translucent.scanLine(y));
        for (int x = 0; x < translucent.width(); ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (quint32((x * 7 + y * 3) % 256) << 24);
    }
    editingSession(translucent);
}

TEST(MarkPreview, ScreenGrabsWithoutAnAlphaByteStayOpaqueWhereRepainted) {
    // Grabs leave RGB32's unused byte at 0; a repaint that copied it as it
    // is would turn the highlight's multiply inside out there.
    QImage grab = TestImages::docPage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < grab.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grab.scanLine(y));
        for (int x = 0; x < grab.width(); ++x)
            row[x] &= 0x00FFFFFFu;
    }
    ensureGuiApplication();
    editingSession(grab);
}

// A large render paints its halves on two threads; text keeps it in one
// go, so the same marks with a text mark off the image are the reference.
TEST(MarkPreview, ARenderPaintedInTwoHalvesMatchesOnePaint) {
    ensureGuiApplication();
    const QImage source = TestImages::docPage();
    QList<AnnotationShape> marks = busyMarkup();
    marks.removeIf([](const AnnotationShape& shape) {
        return shape.tool == AnnotationTool::text || shape.tool == AnnotationTool::step;
    });
    QList<AnnotationShape> inOneGo = marks;
    inOneGo.append(make(AnnotationTool::text, {{3.0, 3.0}, {3.0, 3.0}}, "#FFFFFF", 0.005, "off the image"));
    for (int pass = 0; pass < 5; ++pass)
        ASSERT_TRUE(*AnnotationRenderer::renderMarks(Annotation{marks}, source) ==
                    *AnnotationRenderer::renderMarks(Annotation{inOneGo}, source))
            << "pass " << pass;
}

TEST(MarkPreview, EveryKindOfMarkStaysInsideTheAreaARepaintCovers) {
    // A repaint of a too-small area would leave a mark's old edge behind.
    ensureGuiApplication();
    QImage white(900, 500, QImage::Format_RGB32);
    white.fill(Qt::white);
    const QList<AnnotationPoint> diagonal{{0.3, 0.7}, {0.6, 0.2}};
    QList<AnnotationShape> marks;
    for (const double width : {0.0025, 0.005, 0.009, 0.04}) {
        marks.append({make(AnnotationTool::pen, wave(0.2, 0.5, 40), "#000000", width),
                      make(AnnotationTool::highlight, wave(0.2, 0.5, 40), "#0A84FF", width),
                      make(AnnotationTool::arrow, diagonal, "#000000", width),
                      make(AnnotationTool::arrow, {{0.6, 0.5}, {0.3, 0.52}}, "#000000", width),
                      make(AnnotationTool::rectangle, diagonal, "#000000", width),
                      make(AnnotationTool::ellipse, diagonal, "#000000", width),
                      make(AnnotationTool::step, {{0.5, 0.5}, {0.5, 0.5}}, "#FFCC00", width),
                      make(AnnotationTool::text, {{0.4, 0.4}, {0.4, 0.4}}, "#FFFFFF", width, "Wjgq ÅÉ"),
                      make(AnnotationTool::blur, diagonal, "#000000", width)});
    }
    QImage checker(white.size(), QImage::Format_RGB32);
    for (int y = 0; y < checker.height(); ++y)
        for (int x = 0; x < checker.width(); ++x)
            checker.setPixel(x, y, (x / 3 + y / 3) % 2 ? 0xFFFFFFFF : 0xFF000000);
    for (const AnnotationShape& mark : marks) {
        // Blurs only show over something that is not flat.
        const QImage& source = mark.tool == AnnotationTool::blur ? checker : white;
        const QImage drawn = *AnnotationRenderer::renderMarks(Annotation{{mark}}, source);
        const QRect covered = AnnotationRenderer::paintBounds(mark, source.size());
        int changed = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                if (drawn.pixel(x, y) == source.pixel(x, y))
                    continue;
                ++changed;
                ASSERT_TRUE(covered.contains(x, y)) << AnnotationTools::rawValue(mark.tool).toStdString() << " at width "
                                                    << mark.lineWidth << " changed " << x << "," << y;
            }
        EXPECT_GT(changed, 0) << AnnotationTools::rawValue(mark.tool).toStdString();
    }
}
