// Captures in a real headless sway session with its real screenshot portal:
// the app started from the command line the way a desktop shortcut starts it,
// a drag from a pointer, the note typed on a keyboard, and the saved pixels
// compared with a picture the test put on the screen.
#include "SwayCaptureFixture.h"


namespace {

TEST_F(SwayCaptureTest, ADraggedRegionIsSavedPixelForPixelAtScaleOneAndTwoAndEscLeavesNothing) {
    const QImage known = picture();
    std::size_t filed = 0;
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        ASSERT_TRUE(SwayDesktop::configureOutput(QStringLiteral("scale %1").arg(scale)));
        ASSERT_TRUE(sway.showBackground(pictureFile(), known)) << "the picture never showed";
        // The picture's top-left corner in logical pixels: it sits at the
        // centre of the output's pixels.
        const QSize pixels = SwayDesktop::outputRect().size() * scale;
        const QPoint origin = WaylandDesktop::backgroundOrigin(pixels, known.size()) / scale;

        zorvi({"--capture-region"});
        ASSERT_TRUE(sway.waitForWindow(overlayTitle)) << "no overlay; " << windowsAndApp();
        ASSERT_TRUE(sway.drag(origin + QPoint(10, 15), origin + QPoint(110, 95)));
        const QString note = QStringLiteral("Misaligned at scale %1").arg(scale);
        ASSERT_NO_FATAL_FAILURE(fileNote(note));
        ASSERT_TRUE(waitForCaptures(++filed));
        const std::optional<Capture> capture = captureWithNote(note);
        ASSERT_TRUE(capture) << "the note as typed";
        EXPECT_EQ(capture->captureMode, CaptureMode::region);
        EXPECT_EQ(capture->context.displayScale, double(scale));
        EXPECT_EQ(savedImage(*capture), known.copy(QRect(QPoint(10, 15) * scale, QSize(100, 80) * scale)))
            << "the crop of the picture, pixel for pixel";

        ASSERT_NO_FATAL_FAILURE(cancelFromTheOverlay());
        stopApp();
    }
}

} // namespace

namespace {

// The note box has the keyboard each time it opens from the overlay: typed
// straight away, no click, twenty times over, every note arrives whole.
TEST_F(SwayCaptureTest, TheNoteBoxTakesTheKeyboardEveryTimeItOpensFromTheOverlay) {
    constexpr int times = 20;
    for (int i = 1; i <= times; ++i) {
        SCOPED_TRACE(i);
        zorvi({"--capture-region"});
        ASSERT_TRUE(sway.waitForFocus(overlayTitle)) << "no overlay with the keyboard; windows: "
                                                     << sway.windowTitles().toStdString();
        ASSERT_TRUE(sway.key("space")); // the whole output
        ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("Note number %1").arg(i)));
        ASSERT_TRUE(waitForCaptures(std::size_t(i)));
    }
    QStringList notes;
    for (const Capture& capture : captures())
        notes << capture.note;
    notes.sort();
    QStringList expected;
    for (int i = 1; i <= times; ++i)
        expected << QStringLiteral("Note number %1").arg(i);
    expected.sort();
    EXPECT_EQ(notes, expected) << "a note lost keys";
}

// A Wayland desktop that also offers an X server (XWayland) and declares no
// session type, as sway started from a console does: the app runs on
// Wayland, so the screen it saves is the real one, not XWayland's black
// root window.
TEST_F(SwayCaptureTest, TheWholeOutputIsSavedOnADesktopThatAlsoOffersAnXServer) {
    const QImage known = picture();
    ASSERT_TRUE(sway.showBackground(pictureFile(), known));
    const QImage screen = sway.screenshot();

    QProcess xserver;
    xserver.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(xserver.waitForReadyRead(10000)) << "Xvfb did not start";
    const QString display = ":" + QString::fromLatin1(xserver.readLine()).trimmed();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.remove("XDG_SESSION_TYPE");
    environment.remove("QT_QPA_PLATFORM");

    zorvi({"--capture-screen"}, environment);
    ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("The whole screen")));
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.captureMode, CaptureMode::fullscreen);
    EXPECT_EQ(savedImage(capture), screen) << "the output as it was, pixel for pixel";
    stopApp();
    xserver.terminate();
    xserver.waitForFinished();
}

} // namespace

#include "keys/HotkeyBinding.h"

namespace {

// No X keyboard map to read on Wayland: shortcuts are still named by their keys.
TEST(SwayKeyNames, ShortcutsNameTheirKeysWithoutAnXKeyboardMap) {
    ensureQtApplication();
    ASSERT_TRUE(qEnvironmentVariableIsEmpty("DISPLAY"));
    const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
    EXPECT_EQ((HotkeyBinding{19, altShift, 1}.displayString()), "Alt+Shift+2");
    EXPECT_EQ((HotkeyBinding{0, ModifierSet::control(), 1}.displayString()), "Ctrl+A");
    EXPECT_EQ((HotkeyBinding{20, altShift, 2}.displayString()), "Alt+Shift+3 Alt+Shift+3");
}

} // namespace

#include "shell/SingleInstance.h"
#include "shortcuts/SwayBindings.h"

#include <QFileInfo>

namespace {

// The lines the Shortcuts page offers a sway user, pasted into sway, make
// the recorded shortcut start a capture in the running app.
TEST_F(SwayCaptureTest, TheOfferedBindsymLinesStartACaptureFromTheKeyboard) {
    Preferences preferences(Preferences::settingsPath(), config.file("none.conf"));
    const QString lines = SwayBindings::lines(preferences.regionHotkey(), preferences.fullScreenHotkey());
    ASSERT_EQ(lines.count("bindsym"), 2) << lines.toStdString();
    for (QString line : lines.split(u'\n')) {
        // Pasted as they are but for where the program lies in this build and
        // the test's own library, which sway's environment doesn't name.
        line.replace(QStringLiteral(" exec zorvi "),
                     QStringLiteral(" exec env ZORVI_HOME=%1 XDG_CONFIG_HOME=%2 " ZORVI_APP_BINARY " ")
                         .arg(home.path(), config.path()));
        ASSERT_TRUE(SwayDesktop::swaymsg(line)) << line.toStdString();
    }
    zorvi({"--background"});
    ASSERT_TRUE(processEventsUntil([] { return QFileInfo::exists(SingleInstance::socketPath()); }, 15000))
        << "the app never listened for commands";

    ASSERT_TRUE(sway.key("2", {"alt", "shift"}));
    ASSERT_TRUE(sway.waitForFocus(overlayTitle)) << "the shortcut did not start a capture; windows: "
                                                        << sway.windowTitles().toStdString();
    ASSERT_TRUE(sway.key("Escape"));
    ASSERT_TRUE(sway.waitUntilGone(overlayTitle));

    ASSERT_TRUE(sway.key("3", {"alt", "shift"}));
    ASSERT_NO_FATAL_FAILURE(fileNote(QStringLiteral("From the keyboard")));
    ASSERT_TRUE(waitForCaptures(1));
    EXPECT_EQ(captures().front().captureMode, CaptureMode::fullscreen);
}

} // namespace
