// Captures in a real headless GNOME Shell session with its real screenshot
// portal: the app started from the command line the way a desktop shortcut
// starts it, a drag from a pointer, the note typed on a keyboard, and the
// saved pixels compared with the desktop background the test chose.
#include "GnomeDesktop.h"

#include "support/WaylandCaptureFixture.h"
#include "support/WindowText.h"

#include "platform/gnome/GnomeKeybindingStore.h"
#include "settings/Preferences.h"
#include "shell/SingleInstance.h"
#include "shortcuts/DesktopShortcutEntries.h"

#include <gmock/gmock.h>

#include <QFileInfo>

namespace {

class GnomeCaptureTest : public WaylandCaptureFixture {
protected:
    WaylandDesktop& desktop() override { return gnome; }

    void SetUp() override {
        WaylandCaptureFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(gnome.closeOverview()) << "the shell's overview never closed";
        ASSERT_TRUE(gnome.showBackground(pictureFile(), picture())) << "the picture never showed";
    }

    // Where the centred background picture lies on the screen (logical
    // pixels, which are the screen's pixels at scale 1).
    QRect pictureRect() {
        const QRect screen = gnome.monitor();
        const QSize size = picture().size();
        return {screen.topLeft() + WaylandDesktop::backgroundOrigin(screen.size(), size), size};
    }

    // The screen without the top bar, whose clock and indicators change by themselves.
    static QImage belowTopBar(const QImage& screen) {
        return screen.copy(QRect(0, GnomeDesktop::topBarHeight, screen.width(),
                                 screen.height() - GnomeDesktop::topBarHeight));
    }

    // Moves the pointer to `at` until the overlay shows that it follows it:
    // the overlay draws guide lines through the pointer, here over the plain
    // background left of the picture. GNOME Shell sometimes hands a window
    // that just appeared the pointer only at a later motion, and a press
    // before then goes nowhere.
    bool pointOverlayAt(QPoint at) {
        const QRect picture = pictureRect();
        return processEventsUntil([&] {
            if (!gnome.moveTo(at + QPoint(1, 1)) || !gnome.moveTo(at))
                return false;
            const QImage shown = gnome.screenshot();
            int guide = 0;
            for (int x = picture.left() / 4; x < picture.left() / 2; ++x)
                guide += shown.pixel(x, at.y()) != shown.pixel(x, at.y() + 6);
            return guide > picture.left() / 16;
        }, 15000);
    }

    // The part of the picture every region capture here takes.
    static QRect region() { return {10, 15, 100, 80}; }

    // Drags over the region of the picture once the overlay has the keyboard.
    void dragTheRegion() {
        ASSERT_TRUE(gnome.waitForFocus(overlayTitle))
            << "no overlay with the keyboard; " << windowsAndApp();
        const QPoint origin = pictureRect().topLeft();
        const QPoint to = origin + region().bottomRight() + QPoint(1, 1);
        ASSERT_TRUE(pointOverlayAt(origin + region().topLeft())) << "the overlay never followed the pointer";
        ASSERT_TRUE(gnome.press()) << "the button press went astray";
        ASSERT_TRUE(gnome.moveTo(to)) << "the pointer stopped at " << gnome.pointer().x() << "," << gnome.pointer().y()
                                      << " on its way to " << to.x() << "," << to.y();
        ASSERT_TRUE(gnome.release()) << "the button release went astray";
    }

    // Files the note and checks its row: a region capture at scale 1 whose
    // image is the region of the picture, pixel for pixel.
    void fileNoteAndExpectTheRegion(const QString& note) {
        ASSERT_NO_FATAL_FAILURE(fileNote(note));
        ASSERT_TRUE(waitForCaptures(1));
        const std::optional<Capture> capture = captureWithNote(note);
        ASSERT_TRUE(capture) << "the note as typed";
        EXPECT_EQ(capture->captureMode, CaptureMode::region);
        EXPECT_EQ(capture->context.displayScale, 1.0);
        EXPECT_EQ(savedImage(*capture), picture().copy(region())) << "the crop of the picture, pixel for pixel";
    }

    GnomeDesktop gnome;
};

TEST_F(GnomeCaptureTest, ADraggedRegionIsSavedPixelForPixelTheNoteBoxSaysTheAppIsUnknownAndEscLeavesNothing) {
    zorvi({"--capture-region"});
    ASSERT_NO_FATAL_FAILURE(dragTheRegion());

    // GNOME tells no app which window has the focus: the note box says so.
    ASSERT_TRUE(gnome.waitForFocus(noteTitle))
        << "the note box never took the keyboard; " << windowsAndApp();
    EXPECT_THAT(textOfWindow(gnome, noteTitle).toStdString(), ::testing::HasSubstr("Unknown app"));

    const QString note = QStringLiteral("Misaligned on GNOME");
    ASSERT_NO_FATAL_FAILURE(fileNoteAndExpectTheRegion(note));
    EXPECT_FALSE(captureWithNote(note)->context.appName.has_value()) << "no app is made up";

    ASSERT_NO_FATAL_FAILURE(cancelFromTheOverlay());
}

TEST_F(GnomeCaptureTest, TheWholeScreenIsSavedPixelForPixel) {
    const QImage screen = gnome.screenshot();
    ASSERT_FALSE(screen.isNull());

    zorvi({"--capture-screen"});
    ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("The whole screen")));
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.captureMode, CaptureMode::fullscreen);
    const QImage saved = savedImage(capture);
    ASSERT_EQ(saved.size(), screen.size()) << "the whole output at its pixel size";
    EXPECT_EQ(saved.copy(pictureRect()), picture()) << "the picture on the screen, pixel for pixel";
    EXPECT_EQ(belowTopBar(saved), belowTopBar(screen)) << "the screen as it was, pixel for pixel";
}

// The region shortcut as "Add to GNOME Settings" writes it, run by GNOME's
// own media-keys daemon when its keys are pressed.
class GnomeSettingsShortcutTest : public GnomeCaptureTest {
protected:
    // dconf keeps GNOME's settings in the configuration folder: the app, the
    // daemon and dconf's service must all read the same one.
    QString configHome() override { return sessionConfigHome(); }
};

TEST_F(GnomeSettingsShortcutTest, TheShortcutAddedToGnomeSettingsCapturesARegionWhenPressedAndIsGoneOnceRemoved) {
    // The daemon runs a shortcut's command in its own environment, which
    // carries this test's library to the command.
    ASSERT_TRUE(gnome.startMediaKeys()) << "GNOME's media-keys daemon did not start or grab its keys";
    zorvi({"--background"});
    ASSERT_TRUE(processEventsUntil([] { return QFileInfo::exists(SingleInstance::socketPath()); }, 15000))
        << "the app never listened for commands";

    // What the Shortcuts page's button does in the running app, which names
    // itself by its absolute path.
    Preferences preferences(Preferences::settingsPath(), config.file("none.conf"));
    GnomeKeybindingStore settings;
    DesktopShortcutEntries entries(settings, preferences, QStringLiteral(ZORVI_APP_BINARY));
    ASSERT_TRUE(entries.add()) << entries.error().toStdString();
    const std::optional<DesktopKeybindings::Entry> entry = entries.entry(DesktopShortcutEntries::regionId);
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->accelerator, "<Alt><Shift>2");

    // The daemon takes the keys from the shell once it has read the change.
    ASSERT_TRUE(processEventsUntil([&] { return gnome.grabbedAccelerators().contains(entry->accelerator); }, 20000))
        << "the shell never grabbed " << entry->accelerator.toStdString() << " for the daemon; it holds "
        << gnome.grabbedAccelerators().join(", ").toStdString();
    // The first key after a new input session can go astray: a harmless one first.
    ASSERT_TRUE(gnome.key("Shift_L"));
    ASSERT_TRUE(gnome.key("2", {"alt", "shift"}));

    ASSERT_NO_FATAL_FAILURE(dragTheRegion());
    ASSERT_NO_FATAL_FAILURE(fileNoteAndExpectTheRegion(QStringLiteral("Filed from a GNOME shortcut")));

    // Removed on request, the keys go back: the daemon lets the shell's grab go.
    ASSERT_TRUE(entries.remove()) << entries.error().toStdString();
    EXPECT_TRUE(processEventsUntil([&] { return !gnome.grabbedAccelerators().contains(entry->accelerator); }, 20000))
        << "the shell still runs " << entry->accelerator.toStdString() << " for the daemon";
}

} // namespace

namespace {

// Not a check: the README's pictures of the overlay and the note box on GNOME
// Shell, taken by scripts/take-wayland-screenshots into $ZORVI_SCREENSHOTS_DIR.
TEST_F(GnomeCaptureTest, DISABLED_ScreenshotsOfTheOverlayAndTheNoteBox) {
    const QString folder = qEnvironmentVariable("ZORVI_SCREENSHOTS_DIR");
    ASSERT_FALSE(folder.isEmpty()) << "ZORVI_SCREENSHOTS_DIR names no folder";
    const QString page = TestImages::path(QStringLiteral("doc-page-1280x720.png"));
    const QImage pageImage = TestImages::pixelsOf(QImage(page));
    ASSERT_TRUE(gnome.showBackground(page, pageImage));
    const QPoint origin = gnome.monitor().topLeft() +
                          WaylandDesktop::backgroundOrigin(gnome.monitor().size(), pageImage.size());

    zorvi({"--capture-region"});
    ASSERT_TRUE(gnome.waitForFocus(overlayTitle));
    const QRect selection(origin + QPoint(40, 130), QSize(560, 250));
    ASSERT_TRUE(pointOverlayAt(selection.topLeft()) && gnome.press() && gnome.moveTo(selection.bottomRight()));
    const QImage overlay = screenWithSelectionDrawn(selection.center(), pageImage.pixel(selection.center() - origin));
    ASSERT_TRUE(overlay.save(folder + "/overlay-gnome-1x.png"));
    ASSERT_TRUE(gnome.release());

    ASSERT_NO_FATAL_FAILURE(screenshotTheNoteBox(folder, "gnome"));
}

} // namespace
