#include "ShellFixture.h"

#include "settings/Preferences.h"
#include "shell/SettingsWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTabWidget>

namespace {

QString autostartEntry(const TempDir& home) { return home.path() + "/config/autostart/dev.zorvi.Zorvi.desktop"; }

TEST_F(ShellFixture, SettingsOpenWithCtrlCommaAndEveryChangeIsStoredAtOnce) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi"));
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() != nullptr; }));

    DesktopDriver::key("ctrl+comma");
    auto* settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr) << "Ctrl+, opens the settings";
    EXPECT_EQ(settings->windowTitle(), "Zorvi Settings");
    EXPECT_EQ(settings->currentTab(), SettingsWindow::Tab::general);

    // A preference flips in memory and on disk the moment it is clicked.
    auto* clipboard = settings->findChild<QCheckBox*>("copyToClipboard");
    ASSERT_FALSE(clipboard->isChecked());
    click(clipboard);
    ASSERT_TRUE(processEventsUntil([] { return Preferences::shared().copyToClipboard(); }));
    EXPECT_TRUE(QSettings(Preferences::settingsPath(), QSettings::IniFormat).value("capture.copyToClipboard").toBool());

    // Starting at log-in writes an autostart entry that runs this program.
    auto* login = settings->findChild<QCheckBox*>("launchAtLogin");
    click(login);
    ASSERT_TRUE(processEventsUntil([&] { return QFile::exists(autostartEntry(home)); }));
    QFile entry(autostartEntry(home));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(("Exec=\"" + QApplication::applicationFilePath() + "\"").toUtf8()));
    click(login);
    EXPECT_TRUE(processEventsUntil([&] { return !QFile::exists(autostartEntry(home)); }));

    // The library tab reports the folder and a size measured off the UI thread.
    settings->selectTab(SettingsWindow::Tab::library);
    auto* size = settings->findChild<QLabel*>("sizeOnDisk");
    EXPECT_TRUE(processEventsUntil([&] { return size->text().endsWith("bytes") || size->text().endsWith("B"); }))
        << size->text().toStdString();
    EXPECT_EQ(settings->findChild<QLabel*>("location")->text(), "~/library");
    EXPECT_EQ(settings->findChild<QLabel*>("location")->toolTip(), home.path() + "/library");

    // Closing keeps the size for next time; the app keeps running.
    settings->resize(700, 650);
    DesktopDriver::key("ctrl+w");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi Settings"));
    shell->showSettings();
    settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->size(), QSize(700, 650));
}

TEST_F(ShellFixture, AccountRequestSelectsTheAccountTab) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    shell->openAccountSettings();
    auto* settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->currentTab(), SettingsWindow::Tab::account);
}

} // namespace
