#include "settings/Preferences.h"
#include "support/TempDir.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();

// Each case gets its own configuration folder, set before any settings file
// is opened; Preferences reads from it exactly as at a user's start-up.
class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", home.path().toUtf8()); }

    std::unique_ptr<Preferences> startUp() {
        return std::make_unique<Preferences>(Preferences::settingsPath(), Preferences::legacySettingsPath());
    }

    // What is on disk, read independently of Preferences.
    QVariant stored(const QString& key) { return QSettings(Preferences::settingsPath(), QSettings::IniFormat).value(key); }
    bool isStored(const QString& key) {
        return QSettings(Preferences::settingsPath(), QSettings::IniFormat).contains(key);
    }
    void store(const QString& path, const QString& key, const QVariant& value) {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(key, value);
    }

    TempDir home;
};

TEST_F(PreferencesTest, DefaultsAreNotWrittenOut) {
    auto prefs = startUp();
    EXPECT_EQ(prefs->regionHotkey(), Preferences::defaultRegionHotkey);
    EXPECT_TRUE(Preferences::settingsPath().startsWith(home.path() + "/Zorvi/Zorvi.conf"));
    // Only the import marker is.
    EXPECT_FALSE(isStored("hotkey.region"));
    EXPECT_FALSE(isStored("capture.sound"));
    EXPECT_TRUE(stored("migration.importedLegacyDefaults").toBool());
}

TEST_F(PreferencesTest, EveryPropertyIsWrittenThroughAndReadBack) {
    {
        auto prefs = startUp();
        prefs->setRegionHotkey({std::nullopt, ModifierSet::command(), 2});
        prefs->setFullScreenHotkey({19, altShift, 3});
        prefs->setHasCompletedOnboarding(true);
        prefs->setPlayCaptureSound(false);
        prefs->setCopyToClipboard(true);
        prefs->setCaptureURLs(true);
        prefs->setShowTrayIcon(false);
        prefs->setOpenDashboardAfterSave(true);
        prefs->setDefaultGroupID(QStringLiteral("8f14e45f-ceea-467f-a0e6-3b1b1b1b1b1b"));
        // On disk at once, not only when the object goes away.
        EXPECT_EQ(stored("hotkey.region").toByteArray(), R"({"modifiers":1,"tapCount":2})");
        EXPECT_EQ(stored("capture.sound").toBool(), false);
    }
    auto prefs = startUp();
    EXPECT_EQ(prefs->regionHotkey(), (HotkeyBinding{std::nullopt, ModifierSet::command(), 2}));
    EXPECT_EQ(prefs->fullScreenHotkey(), (HotkeyBinding{19, altShift, 3}));
    EXPECT_TRUE(prefs->hasCompletedOnboarding());
    EXPECT_FALSE(prefs->playCaptureSound());
    EXPECT_TRUE(prefs->copyToClipboard());
    EXPECT_TRUE(prefs->captureURLs());
    EXPECT_FALSE(prefs->showTrayIcon());
    EXPECT_TRUE(prefs->openDashboardAfterSave());
    EXPECT_EQ(prefs->defaultGroupID(), "8f14e45f-ceea-467f-a0e6-3b1b1b1b1b1b");
}

TEST_F(PreferencesTest, ChangesAreAnnouncedOnce) {
    auto prefs = startUp();
    QList<HotkeyBinding> regions;
    QList<bool> sounds;
    QObject::connect(prefs.get(), &Preferences::regionHotkeyChanged, [&](const HotkeyBinding& b) { regions << b; });
    QObject::connect(prefs.get(), &Preferences::playCaptureSoundChanged, [&](bool on) { sounds << on; });
    prefs->setRegionHotkey({21, altShift, 1});
    prefs->setRegionHotkey({21, altShift, 1});
    prefs->setPlayCaptureSound(true); // already the value
    prefs->setPlayCaptureSound(false);
    EXPECT_EQ(regions, (QList<HotkeyBinding>{{21, altShift, 1}}));
    EXPECT_EQ(sounds, QList<bool>{false});
}

TEST_F(PreferencesTest, OldDefaultProjectKeyMovesToTheGroupKey) {
    store(Preferences::settingsPath(), "capture.defaultProjectID", "group-a");
    auto prefs = startUp();
    EXPECT_EQ(prefs->defaultGroupID(), "group-a");
    EXPECT_EQ(stored("capture.defaultGroupID").toString(), "group-a");
    EXPECT_EQ(stored("capture.defaultProjectID").toString(), "group-a");
}

TEST_F(PreferencesTest, ClearingTheGroupFallsBackToTheOldKeyNextTime) {
    store(Preferences::settingsPath(), "capture.defaultProjectID", "group-a");
    store(Preferences::settingsPath(), "capture.defaultGroupID", "group-b");
    {
        auto prefs = startUp();
        EXPECT_EQ(prefs->defaultGroupID(), "group-b");
        prefs->setDefaultGroupID(std::nullopt);
        EXPECT_FALSE(isStored("capture.defaultGroupID"));
    }
    EXPECT_EQ(startUp()->defaultGroupID(), "group-a");
}

TEST_F(PreferencesTest, LegacySettingsAreImportedOnceWithoutOverwriting) {
    const QString legacy = Preferences::legacySettingsPath();
    EXPECT_TRUE(legacy.startsWith(home.path() + "/Kestad/Kestad.conf"));
    store(legacy, "hotkey.region", HotkeyBinding{std::nullopt, ModifierSet::control(), 2}.toJsonData());
    store(legacy, "capture.sound", false);
    store(legacy, "ui.launchAtLogin", true);
    store(legacy, "capture.defaultProjectID", "legacy-group");
    store(legacy, "capture.copyToClipboard", true);
    store(legacy, "unrelated.key", "left behind");
    store(Preferences::settingsPath(), "capture.copyToClipboard", false);
    {
        auto prefs = startUp();
        EXPECT_EQ(prefs->regionHotkey(), (HotkeyBinding{std::nullopt, ModifierSet::control(), 2}));
        EXPECT_FALSE(prefs->playCaptureSound());
        EXPECT_FALSE(prefs->copyToClipboard()); // the current value wins
        EXPECT_EQ(prefs->defaultGroupID(), "legacy-group");
        EXPECT_TRUE(stored("ui.launchAtLogin").toBool());
        EXPECT_FALSE(isStored("unrelated.key"));
    }
    store(legacy, "capture.collectURLs", true);
    store(legacy, "hotkey.fullScreen", HotkeyBinding{20, ModifierSet::command(), 1}.toJsonData());
    auto prefs = startUp();
    EXPECT_FALSE(prefs->captureURLs());
    EXPECT_EQ(prefs->fullScreenHotkey(), (HotkeyBinding{20, altShift, 1}));
}

TEST_F(PreferencesTest, MissingLegacySettingsOnlySetTheMarker) {
    startUp();
    EXPECT_TRUE(stored("migration.importedLegacyDefaults").toBool());
    // Appearing later changes nothing.
    store(Preferences::legacySettingsPath(), "capture.sound", false);
    EXPECT_TRUE(startUp()->playCaptureSound());
}

TEST_F(PreferencesTest, UnreadableBindingFallsBackWithoutRewritingStorage) {
    store(Preferences::settingsPath(), "hotkey.region", QByteArray("\x01garbage{"));
    store(Preferences::settingsPath(), "hotkey.fullScreen", QByteArray(R"({"keyCode":20,"modifiers":10})"));
    auto prefs = startUp();
    EXPECT_EQ(prefs->regionHotkey(), Preferences::defaultRegionHotkey);
    EXPECT_EQ(prefs->fullScreenHotkey(), Preferences::defaultFullScreenHotkey);
    EXPECT_EQ(stored("hotkey.region").toByteArray(), QByteArray("\x01garbage{"));
    EXPECT_EQ(stored("hotkey.fullScreen").toByteArray(), R"({"keyCode":20,"modifiers":10})");
}

TEST_F(PreferencesTest, WrongKindOfValueReadsAsTheDefault) {
    store(Preferences::settingsPath(), "hotkey.region", QStringList{"19", "10"});
    store(Preferences::settingsPath(), "hotkey.fullScreen", QString(R"({"keyCode":21,"modifiers":10,"tapCount":1})"));
    auto prefs = startUp();
    EXPECT_EQ(prefs->regionHotkey(), Preferences::defaultRegionHotkey);
    // Hand-edited text is still JSON.
    EXPECT_EQ(prefs->fullScreenHotkey(), (HotkeyBinding{21, altShift, 1}));
}

} // namespace
