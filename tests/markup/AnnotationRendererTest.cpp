#include "support/OffscreenGui.h"
#include "markup/AnnotationRenderer.h"
#include "markup/Pixelation.h"
#include "markup/PlacedMarks.h"
#include "support/TestImages.h"

#include <QSet>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage white(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

AnnotationShape make(AnnotationTool tool, QList<AnnotationPoint> points, QString color = "#FF3B30",
                     double lineWidth = 0.005) {
    static int counter = 0;
    return AnnotationShape{QString::number(++counter), tool, std::move(color), lineWidth, std::move(points)};
}

QImage render(const QImage& source, QList<AnnotationShape> shapes) {
    const std::optional<QImage> result = AnnotationRenderer::render(Annotation{std::move(shapes)}, source);
    EXPECT_TRUE(result);
    return result ? *result : QImage();
}

QRgb at(const QImage& image, QPointF point) { return image.pixel(int(point.x()), int(point.y())) | 0xFF000000u; }

bool near(QRgb actual, QRgb expected, int tolerance = 2) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

QRgb blockAverage(const QImage& source, const QRect& block) {
    quint64 sums[3] = {};
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            sums[0] += qRed(pixel);
            sums[1] += qGreen(pixel);
            sums[2] += qBlue(pixel);
        }
    const quint64 count = quint64(block.width()) * block.height();
    return qRgb(int((sums[0] + count / 2) / count), int((sums[1] + count / 2) / count),
                int((sums[2] + count / 2) / count));
}

// Every block of the blur's area in `rendered` is one flat colour equal to
// the average of the same block of `source`.
void expectPixelated(const QImage& rendered, const QImage& source, const AnnotationShape& blur) {
    const QRect area = Pixelation::area(blur, source.size());
    const Pixelation::Grid grid = Pixelation::grid(blur, area.size(), source.size());
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column) {
            const QRect block = Pixelation::blockRect(area.size(), grid, column, row).translated(area.topLeft());
            const QRgb expected = blockAverage(source, block);
            for (int y = block.top(); y <= block.bottom(); ++y)
                for (int x = block.left(); x <= block.right(); ++x)
                    ASSERT_EQ(rendered.pixel(x, y), expected) << "block " << column << "," << row;
        }
}

int distinctColours(const QImage& image, const QRect& area) {
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

int changedPixelsOutside(const QImage& a, const QImage& b, const QRect& area) {
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!area.contains(x, y) && a.pixel(x, y) != b.pixel(x, y))
                ++changed;
    return changed;
}

} // namespace

TEST(AnnotationRenderer, EmptyAnnotationRendersNothing) {
    EXPECT_FALSE(AnnotationRenderer::render(Annotation{}, white(10, 10)));
    EXPECT_FALSE(AnnotationRenderer::render(Annotation{{make(AnnotationTool::pen, {{0, 0}, {1, 1}})}}, QImage()));
}

TEST(Pixelation, BlocksHideTextAsTallAsTheAreaAndTheWidthChoosesTheStrength) {
    const double small = 0.0025, medium = 0.005, large = 0.009;
    const auto grid = [](int w, int h, QSize image, double width = 0.005) {
        const Pixelation::Grid g =
            Pixelation::grid(make(AnnotationTool::blur, {{0, 0}, {1, 1}}, "#000000", width), QSize(w, h), image);
        return std::pair(g.columns, g.rows);
    };
    // Large areas: a twelfth of their shorter side, or heading-sized blocks; M is 1.41 times that.
    EXPECT_EQ(grid(1200, 600, QSize(3000, 2000), small), std::pair(10, 5));
    EXPECT_EQ(grid(1200, 600, QSize(3000, 2000)), std::pair(7, 3));
    EXPECT_EQ(grid(3, 500, QSize(3000, 2000)), std::pair(1, 166));
    // A strip over one line of text: two rows of blocks at the least, one at M.
    EXPECT_EQ(grid(400, 20, QSize(1280, 720), small), std::pair(40, 2));
    EXPECT_EQ(grid(400, 20, QSize(1280, 720)), std::pair(28, 1));
    // Each size button is coarser than the one before, over any area.
    for (const QSize area : {QSize(600, 300), QSize(400, 20), QSize(40, 30)}) {
        const auto block = [&](double width) {
            return Pixelation::blockSize(area, QSize(1280, 720),
                                         Pixelation::strength(make(AnnotationTool::blur, {}, "", width)));
        };
        EXPECT_LE(block(small), block(medium));
        EXPECT_LE(block(medium), block(large));
        EXPECT_LT(block(small), block(large)) << area.width() << "x" << area.height();
    }
    const QSize size(1000, 500);
    EXPECT_EQ(Pixelation::area(make(AnnotationTool::blur, {{0.1004, 0.2}, {0.05, 0.1}}), size),
              QRect(50, 50, 51, 50));
    EXPECT_TRUE(Pixelation::area(make(AnnotationTool::blur, {{0.5, 0.5}, {0.5005, 0.9}}), size).isNull());
    EXPECT_TRUE(Pixelation::area(make(AnnotationTool::blur, {{1.2, 1.2}, {1.5, 1.5}}), size).isNull());
    EXPECT_EQ(Pixelation::area(make(AnnotationTool::blur, {{-1, 0.9}, {0.01, 2}}), size), QRect(0, 450, 10, 50));
}

TEST(AnnotationRenderer, BlurReplacesTextWithFlatBlockAveragesAndTouchesNothingElse) {
    const QImage source = TestImages::docPage();
    const AnnotationShape blur = make(AnnotationTool::blur, {{0.55, 0.6}, {0.25, 0.3}});
    const QRect area = Pixelation::area(blur, source.size());
    ASSERT_EQ(area, QRect(320, 216, 384, 216));
    ASSERT_GT(distinctColours(source, area), 200) << "the area should hold real text";

    const QImage rendered = render(source, {blur});
    expectPixelated(rendered, source, blur);
    const Pixelation::Grid grid = Pixelation::grid(blur, area.size(), source.size());
    EXPECT_LE(distinctColours(rendered, area), grid.columns * grid.rows);
    EXPECT_EQ(changedPixelsOutside(rendered, source.convertToFormat(QImage::Format_RGB32), area), 0);
}

TEST(AnnotationRenderer, SmallAreasArePixelatedWholly) {
    const QImage source = TestImages::docPage().copy(400, 200, 400, 300);
    const AnnotationShape blur = make(AnnotationTool::blur, {{0.25, 0.5}, {0.35, 0.6}});
    ASSERT_EQ(Pixelation::area(blur, source.size()), QRect(100, 150, 40, 30));
    expectPixelated(render(source, {blur}), source, blur);
}

TEST(AnnotationRenderer, OverlappingBlursBothSampleTheOriginal) {
    const QImage source = TestImages::docPage().copy(200, 60, 800, 600);
    const AnnotationShape first = make(AnnotationTool::blur, {{0.1, 0.1}, {0.6, 0.6}});
    const AnnotationShape second = make(AnnotationTool::blur, {{0.4, 0.4}, {0.9, 0.9}});
    const QImage rendered = render(source, {first, second});
    expectPixelated(rendered, source, second);
}

TEST(AnnotationRenderer, DegenerateBlursLeaveTheImageAlone) {
    const QImage source = TestImages::docPage().copy(0, 0, 300, 200).convertToFormat(QImage::Format_RGB32);
    const QImage rendered = render(source, {make(AnnotationTool::blur, {{0.5, 0.1}, {0.501, 0.9}}),
                                            make(AnnotationTool::blur, {{1.1, 0.1}, {1.4, 0.9}}),
                                            make(AnnotationTool::blur, {{0.2, 0.2}})});
    EXPECT_EQ(rendered, source);
}

TEST(AnnotationRenderer, StrokesListedBeforeABlurStayOnTop) {
    const QImage source = TestImages::docPage().copy(400, 200, 400, 300);
    const AnnotationShape pen = make(AnnotationTool::pen, {{0.0, 0.5}, {1.0, 0.5}}, "#34C759", 0.02);
    const AnnotationShape blur = make(AnnotationTool::blur, {{0.2, 0.2}, {0.8, 0.8}});
    const QImage rendered = render(source, {pen, blur});
    EXPECT_EQ(at(rendered, {200, 150}), qRgb(0x34, 0xC7, 0x59));
    EXPECT_NE(at(rendered, {200, 100}), qRgb(0x34, 0xC7, 0x59));
}

TEST(AnnotationRenderer, ArrowShaftAndHeadLandWhereTheGeometrySays) {
    // 3000 x 2000 at width 0.005: a 15-pixel stroke and a 67.5-pixel head.
    const QImage canvas = white(3000, 2000);
    const QPointF tail(600, 1000), tip(2400, 1000);
    const QImage rendered =
        render(canvas, {make(AnnotationTool::arrow, {{0.2, 0.5}, {0.8, 0.5}}, "#0A84FF", 0.005)});
    const QRgb blue = qRgb(0x0A, 0x84, 0xFF);
    EXPECT_EQ(at(rendered, {1500, 1000}), blue);
    EXPECT_EQ(at(rendered, {1500, 1006}), blue);
    EXPECT_EQ(at(rendered, {1500, 1010}), qRgb(255, 255, 255));
    EXPECT_EQ(at(rendered, tail - QPointF(10, 0)), qRgb(255, 255, 255));
    // Inside the head: 40 px back from the tip its half-width is 40·tan(π/7) ≈ 19 px;
    // its base lies L·cos(π/7) ≈ 61 px back, where the shaft (ending 37 px back) carries on.
    EXPECT_EQ(at(rendered, tip - QPointF(40, -15)), blue);
    EXPECT_EQ(at(rendered, tip - QPointF(58, 24)), blue);
    EXPECT_EQ(at(rendered, tip - QPointF(64, 0)), blue);
    EXPECT_EQ(at(rendered, tip - QPointF(64, 20)), qRgb(255, 255, 255));
    EXPECT_EQ(at(rendered, tip - QPointF(40, 25)), qRgb(255, 255, 255));
    EXPECT_EQ(at(rendered, tip + QPointF(3, 0)), qRgb(255, 255, 255));
}

TEST(AnnotationRenderer, SmallImagesKeepTheWidthAndHeadFloors) {
    EXPECT_EQ(AnnotationRenderer::strokeWidth(0.005, QSize(3000, 2000)), 15);
    EXPECT_EQ(AnnotationRenderer::arrowHeadLength(15), 67.5);
    EXPECT_EQ(AnnotationRenderer::strokeWidth(0.005, QSize(100, 80)), 1);
    EXPECT_EQ(AnnotationRenderer::arrowHeadLength(1), 14);

    // A 1-pixel line centred on row 40 covers that row fully even though 0.0001 of 100 px is far thinner.
    const QImage line = render(white(100, 80), {make(AnnotationTool::pen, {{0.1, 40.5 / 80}, {0.9, 40.5 / 80}},
                                                     "#1C1C1E", 0.0001)});
    EXPECT_EQ(at(line, {50, 40}), qRgb(0x1C, 0x1C, 0x1E));
    EXPECT_EQ(at(line, {50, 38}), qRgb(255, 255, 255));

    // A 14-pixel head: 11 px back from the tip the head is still ±5 px wide.
    const QImage arrow = render(white(100, 80), {make(AnnotationTool::arrow, {{0.1, 40.5 / 80}, {0.905, 40.5 / 80}},
                                                      "#1C1C1E", 0.0001)});
    EXPECT_EQ(at(arrow, {79.5, 36.5}), qRgb(0x1C, 0x1C, 0x1E));
    EXPECT_EQ(at(arrow, {79.5, 44.5}), qRgb(0x1C, 0x1C, 0x1E));
}

TEST(AnnotationRenderer, BoxesAndEllipsesAreOutlinesOnly) {
    const QImage canvas = white(1000, 1000);
    const QRgb red = qRgb(0xFF, 0x3B, 0x30);
    const QImage box = render(canvas, {make(AnnotationTool::rectangle, {{0.8, 0.7}, {0.2, 0.3}}, "#FF3B30", 0.01)});
    EXPECT_EQ(at(box, {200, 500}), red);
    EXPECT_EQ(at(box, {500, 700}), red);
    EXPECT_EQ(at(box, {203, 303}), red);
    EXPECT_EQ(at(box, {500, 500}), qRgb(255, 255, 255));
    EXPECT_EQ(at(box, {180, 500}), qRgb(255, 255, 255));

    const QImage ellipse = render(canvas, {make(AnnotationTool::ellipse, {{0.2, 0.3}, {0.8, 0.7}}, "#FF3B30", 0.01)});
    EXPECT_EQ(at(ellipse, {800, 500}), red);
    EXPECT_EQ(at(ellipse, {500, 300}), red);
    EXPECT_EQ(at(ellipse, {500, 500}), qRgb(255, 255, 255));
    EXPECT_EQ(at(ellipse, {205, 305}), qRgb(255, 255, 255));
}

TEST(AnnotationRenderer, HighlightMultipliesOnceEvenWhereItCrossesItself) {
    // Multiply at alpha 0.38 over white: each channel ends at 255 - 0.38·(255 - c).
    const QRgb expected = qRgb(255, int(std::lround(255 - 0.38 * (255 - 0xCC))), int(std::lround(255 - 0.38 * 255)));
    const QList<AnnotationPoint> cross{{0.2, 0.2}, {0.8, 0.8}, {0.8, 0.2}, {0.2, 0.8}};
    const QImage onWhite = render(white(400, 400), {make(AnnotationTool::highlight, cross, "#FFCC00", 0.01)});
    EXPECT_TRUE(near(at(onWhite, {200, 200}), expected)) << std::hex << at(onWhite, {200, 200});
    EXPECT_TRUE(near(at(onWhite, {120, 120}), expected));
    EXPECT_EQ(at(onWhite, {200, 100}), qRgb(255, 255, 255));

    QImage black(400, 400, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QImage onBlack = render(black, {make(AnnotationTool::highlight, cross, "#FFCC00", 0.01)});
    EXPECT_EQ(at(onBlack, {200, 200}), qRgb(0, 0, 0));
}

// X11 screen grabs leave the unused byte of RGB32 pixels at 0.
TEST(AnnotationRenderer, HighlightKeepsItsColourOverScreenGrabsWithoutAnAlphaByte) {
    QImage grab(200, 100, QImage::Format_RGB32);
    for (int y = 0; y < grab.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(grab.scanLine(y)), grab.width(), 0x00FFFFFFu);
    const QImage rendered =
        render(grab, {make(AnnotationTool::highlight, {{0.1, 0.5}, {0.9, 0.5}}, "#FF3B30", 0.02)});
    const QRgb expected = qRgb(255, int(std::lround(255 - 0.38 * (255 - 0x3B))), int(std::lround(255 - 0.38 * (255 - 0x30))));
    EXPECT_TRUE(near(at(rendered, {100, 50}), expected)) << std::hex << at(rendered, {100, 50});
}

TEST(AnnotationRenderer, UnreadableColourRendersRed) {
    const QImage rendered =
        render(white(200, 200), {make(AnnotationTool::pen, {{0.1, 0.5}, {0.9, 0.5}}, "#GG0000", 0.05)});
    EXPECT_EQ(at(rendered, {100, 100}), qRgb(0xFF, 0x3B, 0x30));
}

TEST(AnnotationRenderer, TransparentSourcesKeepTheirAlpha) {
    QImage clear(100, 100, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage rendered =
        render(clear, {make(AnnotationTool::pen, {{0.1, 0.5}, {0.9, 0.5}}, "#0A84FF", 0.1)});
    EXPECT_TRUE(rendered.hasAlphaChannel());
    EXPECT_EQ(qAlpha(rendered.pixel(50, 10)), 0);
    EXPECT_EQ(rendered.pixel(50, 50), qRgba(0x0A, 0x84, 0xFF, 255));
}

TEST(AnnotationRenderer, LabelsAndNumberedStepsDrawOverBlursInTheStrokePass) {
    ensureGuiApplication();
    const QImage source = white(800, 500);
    const AnnotationShape label{"t", AnnotationTool::text, "#0A84FF", 0.009, {{0.1, 0.1}, {0.1, 0.1}}, "Save"};
    const AnnotationShape step = make(AnnotationTool::step, {{0.5, 0.5}, {0.5, 0.5}}, "#FF3B30", 0.005);
    const AnnotationShape blur = make(AnnotationTool::blur, {{0.4, 0.4}, {0.6, 0.6}}, "#000000");
    const QImage rendered = render(source, {label, step, blur});
    const QRgb blue = qRgb(0x0A, 0x84, 0xFF);
    int labelPixels = 0;
    for (int y = 50; y < 110; ++y)
        for (int x = 80; x < 240; ++x)
            labelPixels += at(rendered, {double(x), double(y)}) == blue;
    EXPECT_GT(labelPixels, 200) << "the label is missing";
    // The step sits on top of the blur listed after it; its ring is red around a white number.
    EXPECT_EQ(at(rendered, {400 - 10, 250}), qRgb(0xFF, 0x3B, 0x30));
    EXPECT_EQ(at(rendered, {340, 210}), qRgb(255, 255, 255)) << "the blur area outside the step changed";
}

TEST(AnnotationRenderer, StepsAreNumberedInOrderAndRenumberedWhenOneGoes) {
    ensureGuiApplication();
    const AnnotationShape a = make(AnnotationTool::step, {{0.1, 0.1}, {0.1, 0.1}});
    const AnnotationShape pen = make(AnnotationTool::pen, {{0.1, 0.1}, {0.2, 0.2}});
    const AnnotationShape b = make(AnnotationTool::step, {{0.3, 0.3}, {0.3, 0.3}});
    const AnnotationShape c = make(AnnotationTool::step, {{0.5, 0.5}, {0.5, 0.5}});
    EXPECT_EQ(PlacedMarks::stepNumbers({a, pen, b, c}), (QList<int>{1, 0, 2, 3}));
    EXPECT_EQ(PlacedMarks::stepNumbers({pen, b, c}), (QList<int>{0, 1, 2}));
    // What a step shows is its number: steps 1 and 2 at the same spot differ, 2 and 2 do not.
    const QImage first = render(white(200, 200), {b});
    const QImage second = render(white(200, 200), {a, b});
    const QImage secondAgain = render(white(200, 200), {c, b});
    const QRect around(40, 40, 40, 40);
    EXPECT_NE(first.copy(around), second.copy(around));
    EXPECT_EQ(second.copy(around), secondAgain.copy(around));
}

TEST(AnnotationRenderer, TheMarkedCopyIsCroppedAfterDrawing) {
    const QImage source = TestImages::docPage();
    Annotation annotation{{make(AnnotationTool::rectangle, {{0.0, 0.0}, {0.5, 0.5}}, "#34C759", 0.01)},
                          QRectF(0.25, 0.25, 0.5, 0.5)};
    const std::optional<QImage> marked = AnnotationRenderer::render(annotation, source);
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->size(), QSize(640, 360));
    // The box's bottom-right corner, drawn on the whole image, lands inside the crop.
    EXPECT_EQ(at(*marked, {320 - 1, 100}), qRgb(0x34, 0xC7, 0x59));
    EXPECT_EQ(marked->copy(400, 200, 200, 100), source.convertToFormat(QImage::Format_RGB32).copy(720, 380, 200, 100));
    // The crop alone is enough; a crop beyond the image keeps what lies inside it.
    EXPECT_EQ(AnnotationRenderer::render(Annotation{{}, QRectF(0.5, 0.5, 1, 1)}, source)->size(), QSize(640, 360));
    EXPECT_EQ(AnnotationRenderer::render(Annotation{{}, QRectF(2, 2, 1, 1)}, source)->size(), source.size());
}
