#include "ui/SymbolIcons.h"

#include "markup/AnnotationTool.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>

namespace {

// The share of drawn pixels and their mean colour.
struct Ink {
    int drawn = 0;
    QColor mean;
};

Ink inkOf(const QIcon& icon, int size, qreal scale, QIcon::Mode mode = QIcon::Normal) {
    const QImage image = icon.pixmap(QSize(size, size), scale, mode).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.width(), qRound(size * scale)) << "pixels at the screen's scale";
    long r = 0, g = 0, b = 0;
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            ++ink.drawn;
            r += c.red(), g += c.green(), b += c.blue();
        }
    if (ink.drawn)
        ink.mean = QColor(r / ink.drawn, g / ink.drawn, b / ink.drawn);
    return ink;
}

struct SymbolIconsTest : ::testing::Test {
    int argc = 0;
    QApplication app{argc, nullptr};
};

TEST_F(SymbolIconsTest, EveryNamedSymbolDrawsInThePaletteTextColourAndFollowsThemeChanges) {
    QStringList wanted = symbolNames();
    ASSERT_GE(wanted.size(), 40) << "the table is compiled in";
    // The names other parts of the app ask for.
    for (const AnnotationTool tool : AnnotationTools::allCases())
        EXPECT_TRUE(wanted.contains(AnnotationTools::symbolName(tool))) << AnnotationTools::symbolName(tool).toStdString();
    for (const char* name : {"trash", "arrow.uturn.backward", "arrow.uturn.forward", "viewfinder", "gearshape",
                             "person.crop.circle", "keyboard", "sparkles", "internaldrive", "doc.on.doc"})
        EXPECT_TRUE(wanted.contains(name)) << name;

    QPalette light = app.palette();
    light.setColor(QPalette::WindowText, QColor(20, 20, 20));
    app.setPalette(light);
    for (const QString& name : wanted) {
        const Ink ink = inkOf(symbolIcon(name), 16, 2.0);
        EXPECT_GT(ink.drawn, 8) << name.toStdString() << " draws something";
        EXPECT_LT(ink.mean.lightness(), 60) << name.toStdString();
    }

    // Switching to a dark palette recolours the same icon object.
    const QIcon trash = symbolIcon("trash");
    QPalette dark = light;
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    app.setPalette(dark);
    EXPECT_GT(inkOf(trash, 16, 1.0).mean.lightness(), 200);
}

TEST_F(SymbolIconsTest, TintAndDisabledModeAndUnknownNames) {
    const Ink red = inkOf(symbolIcon("checkmark.circle.fill", QColor(220, 0, 0)), 24, 1.0);
    ASSERT_GT(red.drawn, 0);
    EXPECT_GT(red.mean.red(), 180);
    EXPECT_LT(red.mean.green(), 40);

    QPalette palette = app.palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0, 0, 200));
    app.setPalette(palette);
    EXPECT_GT(inkOf(symbolIcon("trash"), 24, 1.0, QIcon::Disabled).mean.blue(), 150);

    EXPECT_TRUE(symbolIcon("no.such.symbol").isNull());
}

} // namespace
