// Where a capture was taken, as sway tells it: the focused window's app id,
// title and output go with the capture, and full screen takes the output
// sway calls focused, whichever screen our own windows last saw the pointer on.
#include "SwayCaptureFixture.h"

#include "support/QtPrinters.h"

#include "shell/SingleInstance.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

constexpr const char* knownAppID = "dev.zorvi.KnownWindow";
constexpr const char* knownTitle = "A window the test knows";

TEST_F(SwayCaptureTest, TheCaptureRecordsTheFocusedWindowsAppIdTitleAndOutput) {
    QProcess window;
    window.start(QStringLiteral("foot"), {"--app-id", knownAppID, "--title", knownTitle, "sleep", "600"});
    ASSERT_TRUE(window.waitForStarted()) << "foot did not start (scripts/setup installs it)";
    ASSERT_TRUE(sway.waitForFocus(knownTitle)) << "windows: " << sway.windowTitles().toStdString();

    zorvi({"--background"});
    ASSERT_TRUE(processEventsUntil([] { return QFileInfo::exists(SingleInstance::socketPath()); }, 15000))
        << "the app never listened for commands";
    ASSERT_TRUE(sway.waitForFocus(knownTitle)) << "the app took the keyboard when it started";
    zorvi({"--capture-screen"});
    ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("Over a window the test knows")));
    ASSERT_TRUE(waitForCaptures(1));

    const CaptureContext context = captures().front().context;
    EXPECT_EQ(context.appName, std::optional<QString>(knownAppID)) << "no desktop file claims it: its app id";
    EXPECT_EQ(context.windowTitle, std::optional<QString>(knownTitle));
    EXPECT_EQ(context.displayName, std::optional<QString>("HEADLESS-1"));
    window.kill();
    window.waitForFinished();
}

TEST_F(SwayCaptureTest, FullScreenTakesTheOutputSwayCallsFocused) {
    const QString first = QStringLiteral("HEADLESS-1");
    ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("create_output")));
    ASSERT_TRUE(processEventsUntil([] { return SwayDesktop::outputs().size() == 2; }));
    QString second;
    for (const QJsonValue output : SwayDesktop::outputs())
        if (output.toObject().value("name").toString() != first)
            second = output.toObject().value("name").toString();
    // Two outputs side by side, of different sizes and pictures.
    ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("output %1 position 0 0").arg(first)));
    ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("output %1 resolution 800x600 position 1280 0").arg(second)));
    ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("output %1 bg %2 center").arg(first, pictureFile())));
    ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("output %1 bg #c03020 solid_color").arg(second)));
    ASSERT_TRUE(processEventsUntil([&] {
        const QImage shown = SwayDesktop::outputScreenshot(second);
        return shown.size() == QSize(800, 600) && shown.pixelColor(400, 300) == QColor(0xc0, 0x30, 0x20);
    }, 10000)) << "the second output never showed its colour";

    std::size_t filed = 0;
    for (const QString& output : {second, first, second}) {
        SCOPED_TRACE(output.toStdString());
        ASSERT_TRUE(SwayDesktop::swaymsg(QStringLiteral("focus output %1").arg(output)));
        ASSERT_TRUE(SwayDesktop::waitForFocusedOutput(output));
        // What the output shows once nothing on it is still being drawn:
        // the board the last save opened may still be arriving.
        QImage shown = SwayDesktop::outputScreenshot(output);
        ASSERT_TRUE(processEventsUntil([&] {
            const QImage before = std::exchange(shown, SwayDesktop::outputScreenshot(output));
            return before == shown;
        }, 10000)) << "the output never settled";
        const QString note = QStringLiteral("All of %1, number %2").arg(output).arg(filed + 1);
        zorvi({"--capture-screen"});
        ASSERT_NO_FATAL_FAILURE(fileNote(note));
        ASSERT_TRUE(waitForCaptures(++filed));
        ASSERT_TRUE(sway.waitForWindow("Zorvi")) << "the board never opened after the save";
        const std::vector<Capture> all = captures();
        const auto capture = std::find_if(all.begin(), all.end(), [&](const Capture& c) { return c.note == note; });
        ASSERT_NE(capture, all.end());
        EXPECT_EQ(capture->captureMode, CaptureMode::fullscreen);
        EXPECT_EQ(savedImage(*capture), shown) << "the focused output, pixel for pixel";
    }
}

} // namespace
