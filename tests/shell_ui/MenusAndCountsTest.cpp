#include "ShellFixture.h"

#include "board/DashboardWindow.h"
#include "common/Identifiers.h"
#include "settings/Preferences.h"
#include "shell/SettingsWindow.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace {

class MenusAndCounts : public ShellFixture {
protected:
    void file(CaptureStatus status) {
        CaptureStore store(ZorviPaths::databaseFile());
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = "a bug";
        c.status = status;
        c.captureMode = CaptureMode::text;
        store.insert(c);
    }

    QStringList captureMenu(QWidget* board) {
        QStringList texts;
        for (QAction* menu : board->findChild<QMenuBar*>()->actions())
            if (menu->text() == "&Capture")
                for (QAction* item : menu->menu()->actions())
                    texts << item->text();
        return texts;
    }
};

// The Capture menu names the keys that work from anywhere, as they change.
TEST_F(MenusAndCounts, TheCaptureMenuShowsTheGlobalShortcuts) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    auto* board = windowNamed<DashboardWindow>("dashboard");
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(captureMenu(board).contains("Capture Region\tAlt+Shift+2")) << captureMenu(board).join('|').toStdString();
    EXPECT_TRUE(captureMenu(board).contains("Capture Full Screen\tAlt+Shift+3"));
    Preferences::shared().setRegionHotkey(HotkeyBinding{std::nullopt, ModifierSet::command(), 2});
    EXPECT_TRUE(captureMenu(board).contains("Capture Region\tSuper Super")) << captureMenu(board).join('|').toStdString();
}

// Two open and one in progress read the same in settings as on the board's sidebar.
TEST_F(MenusAndCounts, TheLibraryTabCountsLikeTheBoard) {
    completeOnboardingBefore();
    QDir().mkpath(ZorviPaths::support());
    file(CaptureStatus::open);
    file(CaptureStatus::open);
    file(CaptureStatus::inProgress);
    ASSERT_TRUE(launch());
    shell->showSettings();
    auto* settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr);
    settings->selectTab(SettingsWindow::Tab::library);
    EXPECT_EQ(settings->findChild<QLabel*>("openCount")->text(), "2");
    EXPECT_EQ(settings->findChild<QLabel*>("inProgressCount")->text(), "1");
    EXPECT_EQ(settings->findChild<QLabel*>("captureCount")->text(), "3");
}

} // namespace
