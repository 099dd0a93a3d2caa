#include "ui/AppPalette.h"
#include "ui/Labels.h"
#include "ui/Theme.h"

#include "support/QtEventLoop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// How far the label's text stands out from its background: the largest
// lightness difference of any pixel from the corner pixel, signed so that
// text darker than the background is negative.
int textContrast(QLabel& label) {
    const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int background = image.pixelColor(0, 0).lightness();
    int strongest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int difference = image.pixelColor(x, y).lightness() - background;
            if (std::abs(difference) > std::abs(strongest))
                strongest = difference;
        }
    return strongest;
}

struct LabelsTest : ::testing::Test {
    int argc = 0;
    QApplication app{argc, nullptr};
};

// Text styles built from fixed colours read well in one mode and vanish in
// the other; the shared ones take theirs from the palette, live.
TEST_F(LabelsTest, SecondaryTextIsDimmerThanBodyTextAndBothFollowTheSwitchToDark) {
    Theme::shared().setForcedDark(false);
    AppPalette palette;
    // As in every window: the labels sit in a window that is on screen.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QLabel* body = Labels::body(QStringLiteral("Body text WWW"));
    QLabel* secondary = Labels::secondary(QStringLiteral("Body text WWW"));
    layout->addWidget(body);
    layout->addWidget(secondary);
    window.resize(200, 80);
    window.show();

    const int lightBody = textContrast(*body);
    const int lightSecondary = textContrast(*secondary);
    EXPECT_LT(lightBody, -100) << "dark text on a light window";
    EXPECT_LT(lightSecondary, -30) << "still readable";
    EXPECT_GT(lightSecondary, lightBody + 20) << "secondary text is the quieter one";

    Theme::shared().setForcedDark(true);
    // The new palette reaches shown windows through the event loop.
    EXPECT_TRUE(processEventsUntil([&] { return textContrast(*body) > 0; })) << "the labels never turned light";
    const int darkBody = textContrast(*body);
    const int darkSecondary = textContrast(*secondary);
    EXPECT_GT(darkBody, 100) << "light text on a dark window, on labels made before the switch";
    EXPECT_GT(darkSecondary, 30) << "still readable";
    EXPECT_LT(darkSecondary, darkBody - 20) << "secondary text is the quieter one";

    Theme::shared().setForcedDark(std::nullopt);
}

} // namespace
