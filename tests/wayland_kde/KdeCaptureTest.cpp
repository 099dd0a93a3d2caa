// Captures on a real KWin with KDE's real screenshot portal: the app started
// from the command line the way a desktop shortcut starts it, a drag and the
// note from KWin's fake input, and the saved pixels compared with a known
// picture a window of ours shows full screen.
#include "KWinDesktop.h"

#include "support/WaylandCaptureFixture.h"

namespace {

constexpr const char* knownAppID = "dev.zorvi.KnownWindow";
constexpr const char* knownTitle = "A window the test knows";

class KdeCaptureTest : public WaylandCaptureFixture {
protected:
    WaylandDesktop& desktop() override { return *kwin; }

    void SetUp() override {
        if (qEnvironmentVariableIsSet("ZORVI_KWIN_MISSING"))
            GTEST_SKIP() << "no KDE session here: " << qgetenv("ZORVI_KWIN_MISSING").toStdString();
        ensureQtApplication();
        kwin = std::make_unique<KWinDesktop>();
        WaylandCaptureFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NO_FATAL_FAILURE(showKnownWindow(pictureFile()));
        ASSERT_TRUE(kwin->waitForBackground(picture())) << "the picture never showed";
    }

    void TearDown() override {
        WaylandCaptureFixture::TearDown();
        known.terminate();
        known.waitForFinished();
    }

    // A full-screen window of ours with `picturePath` in its middle, focused.
    void showKnownWindow(const QString& picturePath) {
        known.setProcessChannelMode(QProcess::ForwardedChannels);
        known.start(QStringLiteral(ZORVI_KNOWN_WINDOW), {picturePath, knownAppID, knownTitle});
        ASSERT_TRUE(known.waitForStarted());
        ASSERT_TRUE(kwin->waitForFocus(knownTitle)) << "windows: " << kwin->windowTitles().toStdString();
    }

    // Where the centred picture lies on the screen (logical pixels, which
    // are the screen's pixels at scale 1).
    QRect pictureRect() const {
        const QSize size = picture().size();
        return {WaylandDesktop::backgroundOrigin(kwin->screenSize(), size), size};
    }

    std::unique_ptr<KWinDesktop> kwin;
    QProcess known;
};

TEST_F(KdeCaptureTest, ADraggedRegionIsSavedPixelForPixelAndEscLeavesNothing) {
    const QPoint origin = pictureRect().topLeft();

    zorvi({"--capture-region"});
    ASSERT_TRUE(kwin->waitForFocus(overlayTitle))
        << "no overlay with the keyboard; windows: " << kwin->windowTitles().toStdString();
    ASSERT_TRUE(kwin->drag(origin + QPoint(10, 15), origin + QPoint(110, 95)));

    const QString note = QStringLiteral("Misaligned on KDE");
    ASSERT_NO_FATAL_FAILURE(fileNote(note));
    ASSERT_TRUE(waitForCaptures(1));
    const std::optional<Capture> capture = captureWithNote(note);
    ASSERT_TRUE(capture) << "the note as typed";
    EXPECT_EQ(capture->captureMode, CaptureMode::region);
    EXPECT_EQ(capture->context.displayScale, 1.0);
    EXPECT_EQ(savedImage(*capture), picture().copy(QRect(10, 15, 100, 80)))
        << "the crop of the picture, pixel for pixel";

    ASSERT_NO_FATAL_FAILURE(cancelFromTheOverlay());
}

TEST_F(KdeCaptureTest, TheWholeScreenIsSavedPixelForPixel) {
    const QImage screen = kwin->screenshot();
    ASSERT_FALSE(screen.isNull());

    zorvi({"--capture-screen"});
    ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("The whole screen")));
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.captureMode, CaptureMode::fullscreen);
    const QImage saved = savedImage(capture);
    ASSERT_EQ(saved.size(), screen.size()) << "the whole output at its pixel size";
    EXPECT_EQ(saved.copy(pictureRect()), picture()) << "the picture on the screen, pixel for pixel";
    EXPECT_EQ(saved, screen) << "the screen as it was, pixel for pixel";
}

} // namespace
