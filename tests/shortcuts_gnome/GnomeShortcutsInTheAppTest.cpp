// The whole app where shortcuts run only from GNOME's own settings: the
// board, the menus and the settings window on the suite's Xvfb, GNOME's
// settings in the real dconf store.
#include "DconfSession.h"

#include "board/DashboardWindow.h"
#include "platform/DesktopSettingsShortcuts.h"
#include "platform/gnome/GnomeKeybindingStore.h"
#include "platform/x11/X11Platform.h"
#include "settings/Preferences.h"
#include "shell/OnboardingWindow.h"
#include "shell/SettingsWindow.h"
#include "shell_ui/ShellFixture.h"
#include "ui/KeyCaps.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

namespace {

// Screens and windows from the suite's X server; shortcuts only through
// GNOME's settings, as on GNOME's Wayland session.
class GnomeShortcutsPlatform : public X11Platform {
public:
    std::unique_ptr<ShortcutService> shortcutService() override {
        return std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::desktopSettings,
                                                          std::make_unique<GnomeKeybindingStore>());
    }
};

const QString regionPath =
    QLatin1String(DconfSession::folder) + QStringLiteral("zorvi-capture-region/");
const QString screenPath =
    QLatin1String(DconfSession::folder) + QStringLiteral("zorvi-capture-screen/");
const QString foreignPath = QLatin1String(DconfSession::folder) + QStringLiteral("custom0/");

class GnomeShortcutsInTheAppTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        session = &DconfSession::shared();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(session->setEntryKey(foreignPath, "name", "Terminal"));
        ASSERT_TRUE(session->setEntryKey(foreignPath, "command", "gnome-terminal"));
        ASSERT_TRUE(session->setEntryKey(foreignPath, "binding", "<Super>t"));
        ASSERT_TRUE(session->resetEntry(regionPath));
        ASSERT_TRUE(session->resetEntry(screenPath));
        ASSERT_TRUE(session->setList({foreignPath}));
        Platform::replace(std::make_unique<GnomeShortcutsPlatform>());
    }

    QString menuText(const QString& start) const {
        for (QAction* menu : board->menuBar()->actions())
            if (menu->menu())
                for (QAction* action : menu->menu()->actions())
                    if (action->text().startsWith(start))
                        return action->text();
        return {};
    }

    // The empty board names the keys to press, or says how to bind them: never both.
    bool promisesKeys(const QString& keys) const {
        auto* caps = board->findChild<KeyCaps*>("emptyShortcut");
        auto* bind = board->findChild<QLabel*>("emptyBindShortcut");
        return caps->isVisible() && caps->accessibleName() == keys && !bind->isVisible();
    }
    bool explainsBinding() const {
        return board->findChild<QLabel*>("emptyBindShortcut")->isVisible() &&
               !board->findChild<KeyCaps*>("emptyShortcut")->isVisible();
    }

    DconfSession* session = nullptr;
    DashboardWindow* board = nullptr;
};

TEST_F(GnomeShortcutsInTheAppTest, TheBoardPromisesTheShortcutOnlyOnceItIsInGnomeSettings) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    board = windowNamed<DashboardWindow>("dashboard");
    ASSERT_NE(board, nullptr);

    // Nothing in GNOME Settings yet: no keys on the board or in the menu.
    EXPECT_TRUE(explainsBinding());
    EXPECT_EQ(menuText("Capture Region"), "Capture Region") << "the menu names keys that do nothing";

    // The board's button opens the shortcut settings, which offer to add them.
    click(board->findChild<QPushButton*>("emptyOpenShortcutSettings"));
    auto* settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return settings->currentTab() == SettingsWindow::Tab::shortcuts; }));
    auto* status = settings->findChild<QLabel*>("desktopShortcutsStatus");
    ASSERT_NE(status, nullptr) << "no GNOME section on the Shortcuts page";
    EXPECT_TRUE(status->text().startsWith("Not in GNOME Settings yet")) << status->text().toStdString();
    auto* remove = settings->findChild<QPushButton*>("removeFromDesktopSettings");
    EXPECT_FALSE(remove->isEnabled());

    auto* add = settings->findChild<QPushButton*>("addToDesktopSettings");
    EXPECT_EQ(add->text(), "Add to GNOME Settings");
    click(add);
    const QString added = DconfSession::listText({foreignPath, regionPath, screenPath});
    ASSERT_TRUE(processEventsUntil([&] { return session->list() == added; })) << session->list().toStdString();
    EXPECT_EQ(session->entryKey(regionPath, "binding"), "'<Alt><Shift>2'");
    EXPECT_EQ(session->entryKey(screenPath, "binding"), "'<Alt><Shift>3'");
    EXPECT_EQ(session->entryKey(foreignPath, "binding"), "'<Super>t'");
    EXPECT_TRUE(status->text().contains("Capture a region: Alt+Shift+2")) << status->text().toStdString();
    EXPECT_TRUE(remove->isEnabled());

    // Now the board and the menu name the keys.
    EXPECT_TRUE(processEventsUntil([&] { return promisesKeys("Alt+Shift+2"); }));
    EXPECT_EQ(menuText("Capture Region"), "Capture Region\tAlt+Shift+2");

    // Changed by hand in GNOME Settings: the page shows GNOME's keys when it is
    // next shown, and the board stops naming keys GNOME no longer runs.
    ASSERT_TRUE(session->setEntryKey(regionPath, "binding", "<Super>F5"));
    settings->selectTab(SettingsWindow::Tab::general);
    ASSERT_TRUE(processEventsUntil([&] { return !status->isVisible(); }));
    settings->selectTab(SettingsWindow::Tab::shortcuts);
    EXPECT_TRUE(processEventsUntil([&] { return status->text().contains("Capture a region: Super+F5"); }))
        << status->text().toStdString();
    EXPECT_TRUE(explainsBinding());

    click(remove);
    ASSERT_TRUE(processEventsUntil([&] { return session->list() == DconfSession::listText({foreignPath}); }))
        << session->list().toStdString() << "; the page says: "
        << settings->findChild<QWidget*>("desktopShortcutsError")->findChild<QLabel*>("text")->text().toStdString();
    EXPECT_TRUE(processEventsUntil([&] { return explainsBinding(); }));
    EXPECT_EQ(menuText("Capture Region"), "Capture Region");
    EXPECT_EQ(session->entryKey(foreignPath, "command"), "'gnome-terminal'");
}

// The first-run guide's shortcut step offers the same button, and its last
// step names keys only once they are in GNOME Settings.
TEST_F(GnomeShortcutsInTheAppTest, TheGuideAddsTheShortcutsAndNamesTheirKeysOnlyAfterwards) {
    // A first launch, even after another test of this process finished the guide.
    Preferences::shared().setHasCompletedOnboarding(false);
    ASSERT_TRUE(launch());
    auto* guide = windowNamed<OnboardingWindow>("onboardingWindow");
    ASSERT_NE(guide, nullptr);
    auto* unbound = guide->findChild<QLabel*>("readyShortcutsUnbound");
    guide->setStep(OnboardingWindow::ready);
    EXPECT_TRUE(processEventsUntil([&] { return unbound->isVisible(); })) << "the guide promises keys that do nothing";

    guide->setStep(OnboardingWindow::shortcuts);
    auto* add = guide->findChild<QPushButton*>("addToDesktopSettings");
    ASSERT_NE(add, nullptr) << "no GNOME button on the guide's shortcut step";
    click(add);
    const QString added = DconfSession::listText({foreignPath, regionPath, screenPath});
    ASSERT_TRUE(processEventsUntil([&] { return session->list() == added; })) << session->list().toStdString();

    guide->setStep(OnboardingWindow::ready);
    EXPECT_TRUE(processEventsUntil([&] { return unbound->parentWidget()->isVisible() && !unbound->isVisible(); }));
}

} // namespace
