// The shortcuts as the running app has them: real grabs and raw key events on
// the test's Xvfb under openbox, pressed with xdotool while another window
// has the focus.
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/X11Platform.h"
#include "settings/Preferences.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/HotkeyRecorderView.h"
#include "shortcuts/ShortcutSettingsPanel.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
constexpr uint16_t key2 = 19;
constexpr uint16_t keyR = 15;

void ensureApplication() {
    static int argc = 1;
    static char name[] = "zorvi-test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

// The window that has the focus while shortcuts are pressed; remembers every
// key that reaches it.
class FocusedWindow : public QWidget {
public:
    FocusedWindow() {
        setWindowTitle(QStringLiteral("Focused window"));
        resize(300, 200);
    }
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

// Keeps reading events while xdotool types, as the app does: the timing
// rules see the presses when they happen, not in one late batch.
void xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 20000));
    ASSERT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
}

void showAndFocus(QWidget& window) {
    auto exposed = [&] { return window.windowHandle() && window.windowHandle()->isExposed(); };
    // Now and then a window mapped while the window manager is still starting
    // is never shown; mapping it again settles it.
    for (int attempt = 0; attempt < 4 && !exposed(); ++attempt) {
        window.hide();
        window.show();
        processEventsUntil(exposed, 5000);
    }
    ASSERT_TRUE(exposed()) << "never shown";
    // A request made before the window manager has taken the window on is
    // dropped; ask again until the window is active.
    for (int attempt = 0; attempt < 20 && !window.isActiveWindow(); ++attempt) {
        xdotool({"windowactivate", QString::number(window.winId())});
        processEventsUntil([&] { return window.isActiveWindow(); }, 500);
    }
    ASSERT_TRUE(window.isActiveWindow()) << "never focused";
}

// Another X client holding a combination (or failing to).
class OtherClient {
public:
    OtherClient(uint16_t keyCode, uint16_t xModifierMask) {
        const auto layout = X11KeyboardLayout::connect();
        process_.start(GRAB_HELPER_BINARY, {QString::number(layout->xKeycodes(keyCode).value(0)),
                                            QString::number(xModifierMask)});
        process_.waitForStarted();
        if (process_.waitForReadyRead(10000))
            answer_ = QString::fromLatin1(process_.readLine()).trimmed();
    }
    ~OtherClient() { exit(); }
    bool grabbed() const { return answer_ == QLatin1String("grabbed"); }
    void exit() {
        process_.closeWriteChannel();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QString answer_;
};

class GlobalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(showAndFocus(focused)); }

    void start() {
        shortcuts = std::make_unique<GlobalShortcuts>(
            preferences, X11Platform().shortcutService(), [this] { ++regions; }, [this] { ++fullScreens; });
        ASSERT_EQ(shortcuts->mechanism(), GlobalShortcuts::Mechanism::x11);
    }

    // Presses the full-screen shortcut and waits for it: every key event sent
    // before it has then been handled, so whatever would have fired has.
    void settle() {
        const int before = fullScreens;
        xdotool({"key", "alt+shift+3"});
        ASSERT_TRUE(processEventsUntil([&] { return fullScreens == before + 1; }));
    }

    // Types a key the focused window can see and waits for it, so every key
    // sent before it has reached the window or been taken.
    void typeIntoFocusedWindow() {
        xdotool({"key", "x"});
        ASSERT_TRUE(processEventsUntil([&] { return focused.keys.contains(Qt::Key_X); }));
        focused.keys.removeAll(Qt::Key_X);
    }

    bool reachedFocusedWindow(int key) const { return focused.keys.contains(key); }

    const bool applicationReady = (ensureApplication(), true); // before any widget
    TempDir dir;
    Preferences preferences{dir.file("Zorvi.conf"), dir.file("Kestad.conf")};
    FocusedWindow focused;
    int regions = 0;
    int fullScreens = 0;
    std::unique_ptr<GlobalShortcuts> shortcuts;
};

TEST_F(GlobalShortcutsTest, DefaultShortcutsFireFromAnotherWindowWhateverTheLocks) {
    start();
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty());

    xdotool({"key", "alt+shift+2"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));
    xdotool({"key", "alt+shift+3"});
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 1; }));

    xdotool({"key", "Caps_Lock", "alt+shift+2", "Caps_Lock"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 2; }));
    xdotool({"key", "Num_Lock", "alt+shift+3"});
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 2; }));
    xdotool({"key", "Caps_Lock", "alt+shift+2", "Caps_Lock", "Num_Lock"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 3; }));

    // Held past the keyboard's repeat delay, it still fires once.
    xdotool({"keydown", "alt+shift+2", "sleep", "0.9", "keyup", "alt+shift+2"});
    settle();
    EXPECT_EQ(regions, 4);

    typeIntoFocusedWindow();
    EXPECT_FALSE(reachedFocusedWindow(Qt::Key_2) || reachedFocusedWindow(Qt::Key_At));
    EXPECT_FALSE(reachedFocusedWindow(Qt::Key_3) || reachedFocusedWindow(Qt::Key_NumberSign));
}

// Gives X key codes new symbols, as switching the keyboard layout does.
void remap(uint8_t keycode, std::vector<xcb_keysym_t> keysyms) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_change_keyboard_mapping_checked(connection, 1, keycode, uint8_t(keysyms.size()),
                                                        keysyms.data()));
    EXPECT_EQ(error, nullptr);
    std::free(error);
    xcb_disconnect(connection);
}

TEST_F(GlobalShortcutsTest, ALayoutThatMovesTheKeyMovesTheGrab) {
    start();
    const uint8_t oldKey = X11KeyboardLayout::connect()->xKeycodes(key2).value(0);
    const uint8_t newKey = 248; // no symbols in the server's default map
    remap(newKey, {'2', '@', '2', '@'});
    remap(oldKey, {XCB_NO_SYMBOL, XCB_NO_SYMBOL, XCB_NO_SYMBOL, XCB_NO_SYMBOL});
    // The app hears of the change on its own time; press until it has.
    for (int attempt = 0; attempt < 20 && regions == 0; ++attempt) {
        xdotool({"key", "alt+shift+2"});
        processEventsUntil([&] { return regions > 0; }, 250);
    }
    EXPECT_GT(regions, 0) << "the grab stayed on the old key code";
}

TEST_F(GlobalShortcutsTest, ShortcutAnotherClientOwnsIsAConflictUntilItLetsGoAndOldOnesAreReleased) {
    auto other = std::make_unique<OtherClient>(key2, altShift.xModifierMask());
    ASSERT_TRUE(other->grabbed());
    start();
    EXPECT_EQ(shortcuts->manager().conflicts(), QSet<HotkeyManager::Action>{HotkeyManager::Action::region});

    ShortcutSettingsPanel settings(*shortcuts, preferences);
    auto* conflict = settings.regionRecorder().findChild<QLabel*>("recorderConflict");
    ASSERT_NE(conflict, nullptr);
    EXPECT_TRUE(conflict->isVisibleTo(&settings));
    EXPECT_EQ(conflict->text().toStdString(),
              "\u26a0 Another app already owns this shortcut \u2014 pick a different one.");
    EXPECT_FALSE(settings.fullScreenRecorder().findChild<QLabel*>("recorderConflict")->isVisibleTo(&settings));

    // Full screen works meanwhile, and none of our grab of the region shortcut is left.
    settle();
    other->exit();
    OtherClient again(key2, altShift.xModifierMask());
    EXPECT_TRUE(again.grabbed()) << "a refused shortcut must leave nothing grabbed";
    again.exit();

    // Applying the preference again takes the now free shortcut.
    preferences.setRegionHotkey(Preferences::defaultRegionHotkey);
    shortcuts->registerAll();
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty());
    EXPECT_FALSE(conflict->isVisibleTo(&settings));
    xdotool({"key", "alt+shift+2"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));

    // A changed binding fires at once and lets go of the old combination.
    preferences.setRegionHotkey(HotkeyBinding{keyR, ModifierSet::control() | ModifierSet::option(), 1});
    xdotool({"key", "ctrl+alt+r"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 2; }));
    OtherClient afterChange(key2, altShift.xModifierMask());
    EXPECT_TRUE(afterChange.grabbed());
}

TEST_F(GlobalShortcutsTest, DoublePressFiresOnceAndNoPressReachesTheFocusedWindow) {
    preferences.setRegionHotkey(HotkeyBinding{key2, altShift, 2});
    start();
    EXPECT_FALSE(shortcuts->manager().isKeyMonitorBlocked());

    xdotool({"key", "alt+shift+2", "alt+shift+2"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));

    // One press on its own, even held until the key repeats: taken from the
    // window, and nothing fires.
    xdotool({"keydown", "alt+shift+2", "sleep", "0.9", "keyup", "alt+shift+2", "key", "alt+shift+3"});
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 1; }));
    EXPECT_EQ(regions, 1);
    typeIntoFocusedWindow();
    EXPECT_FALSE(reachedFocusedWindow(Qt::Key_2) || reachedFocusedWindow(Qt::Key_At)) << "a press leaked";
}

TEST_F(GlobalShortcutsTest, SuperTappedTwiceFiresAndHoldsOrChordsDoNot) {
    preferences.setRegionHotkey(HotkeyBinding{std::nullopt, ModifierSet::command(), 2});
    start();
    EXPECT_FALSE(shortcuts->manager().isKeyMonitorBlocked());

    // Super with another key, and Super held too long: no taps.
    xdotool({"keydown", "super", "key", "k", "keyup", "super", "keydown", "super", "key", "k", "keyup", "super"});
    xdotool({"keydown", "super", "sleep", "0.45", "keyup", "super", "key", "super"});
    settle();
    EXPECT_EQ(regions, 0);

    xdotool({"key", "super", "super"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));
    // Taps are never taken from the focused window.
    typeIntoFocusedWindow();
    EXPECT_TRUE(reachedFocusedWindow(Qt::Key_Super_L) || reachedFocusedWindow(Qt::Key_Meta));
}

class RecorderTest : public GlobalShortcutsTest {
protected:
    void SetUp() override {
        GlobalShortcutsTest::SetUp();
        start();
        settings = std::make_unique<ShortcutSettingsPanel>(*shortcuts, preferences);
        ASSERT_NO_FATAL_FAILURE(showAndFocus(*settings));
        QObject::connect(&recorder(), &HotkeyRecorderView::bindingCommitted, [this] { ++commits; });
        QObject::connect(&recorder().model(), &HotkeyRecorderModel::changed, [this] {
            if (recorder().model().draft())
                ++proposals;
        });
    }

    HotkeyRecorderView& recorder() { return settings->regionRecorder(); }
    QPushButton* control() { return recorder().findChild<QPushButton*>("recorderControl"); }

    void clickControl() {
        const QPoint centre = control()->mapToGlobal(control()->rect().center());
        // The server moves the pointer before it takes the click; --sync would
        // wait for a move that never comes when the pointer is there already.
        xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
        ASSERT_TRUE(processEventsUntil([&] { return recorder().isRecording(); }));
        EXPECT_EQ(control()->text().toStdString(), "Listening\u2026");
    }

    // Records what xdotool types and waits for the commit.
    void record(const QStringList& typing, const HotkeyBinding& expected, const char* shown) {
        const int before = commits;
        clickControl();
        EXPECT_TRUE(shortcuts->manager().isSuspended());
        xdotool(typing);
        ASSERT_TRUE(processEventsUntil([&] { return commits == before + 1; }));
        EXPECT_EQ(preferences.regionHotkey(), expected);
        EXPECT_EQ(control()->text().toStdString(), shown);
        EXPECT_FALSE(shortcuts->manager().isSuspended());
    }

    std::unique_ptr<ShortcutSettingsPanel> settings;
    int commits = 0;
    int proposals = 0;
};

TEST_F(RecorderTest, RecordsEachFormInsteadOfFiringAndRejectsATapWithAnotherModifierHeld) {
    EXPECT_EQ(control()->text().toStdString(), "Alt+Shift+2");

    // The current shortcut is recorded, not fired: the grabs pause meanwhile.
    record({"key", "alt+shift+2"}, HotkeyBinding{key2, altShift, 1}, "Alt+Shift+2");
    EXPECT_EQ(regions, 0);
    xdotool({"key", "alt+shift+2"});
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; })) << "grabs came back after recording";

    record({"key", "alt+shift+2", "alt+shift+2"}, HotkeyBinding{key2, altShift, 2}, "Alt+Shift+2 Alt+Shift+2");
    record({"key", "super", "super"}, HotkeyBinding{std::nullopt, ModifierSet::command(), 2}, "Super Super");
    record({"key", "ctrl+Tab"}, HotkeyBinding{48, ModifierSet::control(), 1}, "Ctrl+Tab");

    // Super tapped while Shift is held proposes nothing; Esc leaves the old binding.
    const int proposalsBefore = proposals;
    clickControl();
    xdotool({"keydown", "shift", "key", "super", "super", "keyup", "shift", "key", "Escape"});
    ASSERT_TRUE(processEventsUntil([&] { return !recorder().isRecording(); }));
    EXPECT_EQ(proposals, proposalsBefore);
    EXPECT_EQ(control()->text().toStdString(), "Ctrl+Tab");
    EXPECT_EQ(preferences.regionHotkey(), (HotkeyBinding{48, ModifierSet::control(), 1}));
    EXPECT_FALSE(shortcuts->manager().isSuspended());
}

// Whole screen is Alt+Shift+3: the region can't take it too.
TEST_F(RecorderTest, ZorvisOtherShortcutIsRefusedWithAWord) {
    int changes = 0;
    QObject::connect(&recorder().model(), &HotkeyRecorderModel::changed, [&] { ++changes; });
    clickControl();
    xdotool({"key", "alt+shift+3"});
    auto* hint = recorder().findChild<QLabel*>("recorderHint");
    ASSERT_TRUE(processEventsUntil([&] { return hint->text().contains("Capture the whole screen"); }))
        << hint->text().toStdString();
    // The commit's turn comes and goes: refused, still listening.
    const int proposed = changes;
    ASSERT_TRUE(processEventsUntil([&] { return changes > proposed; }));
    EXPECT_TRUE(recorder().isRecording());
    EXPECT_EQ(commits, 0);
    EXPECT_TRUE(hint->text().contains("already uses")) << hint->text().toStdString();

    xdotool({"key", "Escape"});
    ASSERT_TRUE(processEventsUntil([&] { return !recorder().isRecording(); }));
    EXPECT_EQ(preferences.regionHotkey(), (HotkeyBinding{key2, altShift, 1}));
    EXPECT_EQ(preferences.fullScreenHotkey(), (HotkeyBinding{20, altShift, 1}));
}

} // namespace
