#include "capture/PngEncoder.h"
#include "support/TestImages.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

constexpr PngEncoder::Filter allFilters[] = {
    PngEncoder::Filter::none,  PngEncoder::Filter::sub,         PngEncoder::Filter::up,      PngEncoder::Filter::average,
    PngEncoder::Filter::paeth, PngEncoder::Filter::noneForRuns, PngEncoder::Filter::adaptive};

QImage decode(const QByteArray& png) {
    QImage image;
    EXPECT_TRUE(image.loadFromData(png, "PNG"));
    return image;
}

// The colour type byte of the IHDR chunk: 2 is RGB, 6 is RGBA.
int colourType(const QByteArray& png) { return quint8(png.at(25)); }

QImage noise(int width, int height, QImage::Format format, quint32 seed) {
    QImage image(width, height, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = random.generate(); // RGB32's unused byte holds garbage too, as in screen grabs
    }
    return image;
}

void expectSamePixels(const QImage& expected, const QImage& actual, QImage::Format as) {
    ASSERT_EQ(expected.size(), actual.size());
    const QImage a = expected.convertToFormat(as);
    const QImage b = actual.convertToFormat(as);
    // pixel() reads RGB32's unused byte as opaque, whatever it holds.
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << "pixel " << x << "," << y;
}

} // namespace

TEST(PngEncoder, RealScreenshotsDecodeBackPixelForPixel) {
    for (const QImage& original : {TestImages::docPage(), TestImages::darkApiDocs(), TestImages::photo()}) {
        const std::optional<QByteArray> png = PngEncoder::encode(original);
        ASSERT_TRUE(png);
        EXPECT_EQ(colourType(*png), 2) << "opaque screenshots need no alpha channel";
        expectSamePixels(original, decode(*png), QImage::Format_RGB32);
    }
    // Choosing per row must beat one filter for all on a photograph, or the choice is broken.
    const QImage photo = TestImages::photo();
    EXPECT_LT(PngEncoder::encode(photo)->size(), PngEncoder::encode(photo, 2, PngEncoder::Filter::up)->size());
    EXPECT_LT(PngEncoder::encode(photo)->size(), PngEncoder::encode(photo, 2, PngEncoder::Filter::noneForRuns)->size());
}

TEST(PngEncoder, EveryFilterAndLevelIsLosslessOnAwkwardSizes) {
    // Widths around the four-pixel vectors and their scalar tail.
    for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(5, 4), QSize(6, 3), QSize(7, 3), QSize(257, 31)}) {
        const QImage image = noise(size.width(), size.height(), QImage::Format_RGB32, size.width() * 31 + size.height());
        for (PngEncoder::Filter filter : allFilters)
            for (int level : {0, 1, 2, 6, 12}) {
                const std::optional<QByteArray> png = PngEncoder::encode(image, level, filter);
                ASSERT_TRUE(png) << level;
                expectSamePixels(image, decode(*png), QImage::Format_RGB32);
            }
    }
}

TEST(PngEncoder, TranslucentPixelsKeepTheirExactStraightAlpha) {
    const QImage image = noise(63, 17, QImage::Format_ARGB32, 7);
    for (PngEncoder::Filter filter : allFilters) {
        const std::optional<QByteArray> png = PngEncoder::encode(image, PngEncoder::defaultLevel, filter);
        ASSERT_TRUE(png);
        EXPECT_EQ(colourType(*png), 6);
        expectSamePixels(image, decode(*png), QImage::Format_ARGB32);
    }
}

TEST(PngEncoder, OtherFormatsAndOpaqueAlphaImagesComeOutAsRGB) {
    QImage opaque = noise(40, 20, QImage::Format_ARGB32_Premultiplied, 3);
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x)
            opaque.setPixel(x, y, opaque.pixel(x, y) | 0xFF000000u);
    const std::optional<QByteArray> png = PngEncoder::encode(opaque);
    ASSERT_TRUE(png);
    EXPECT_EQ(colourType(*png), 2);
    expectSamePixels(opaque, decode(*png), QImage::Format_RGB32);

    QImage gray(33, 5, QImage::Format_Grayscale8);
    for (int y = 0; y < gray.height(); ++y)
        for (int x = 0; x < gray.width(); ++x)
            gray.scanLine(y)[x] = uchar(x * 7 + y);
    const std::optional<QByteArray> grayPng = PngEncoder::encode(gray);
    ASSERT_TRUE(grayPng);
    expectSamePixels(gray, decode(*grayPng), QImage::Format_RGB32);

    EXPECT_FALSE(PngEncoder::encode(QImage()));
}
