// "Add to GNOME Settings" against GNOME's real settings store: dconf-service
// on the suite's own bus with the installed schemas, read back with the
// `gsettings` command the way gnome-settings-daemon sees them.
#include "DconfSession.h"

#include "platform/DesktopSettingsShortcuts.h"
#include "platform/gnome/GnomeAccelerator.h"
#include "platform/gnome/GnomeKeybindingStore.h"
#include "platform/wayland/WaylandPlatform.h"
#include "settings/Preferences.h"
#include "shortcuts/DesktopShortcutEntries.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/ShortcutSettingsPanel.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

const QString region = QStringLiteral("zorvi-capture-region");
const QString screen = QStringLiteral("zorvi-capture-screen");

QString pathOf(const QString& id) {
    return QLatin1String(DconfSession::folder) + id + "/";
}

QString quoted(const QString& text) {
    return "'" + text + "'";
}

// Rows of a tab-separated file in tests/data, comments and blank lines left out.
QList<QStringList> rows(const QString& name) {
    QFile file(QStringLiteral(ZORVI_SOURCE_DIR "/tests/data/gnome/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    QList<QStringList> result;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            result << QString::fromUtf8(line).split(u'\t');
    return result;
}

struct Foreign {
    QString path, name, command, binding;
};

// The custom shortcuts a person made before Zorvi came along.
QList<Foreign> foreignKeybindings() {
    QList<Foreign> result;
    for (const QStringList& row : rows(QStringLiteral("foreign-keybindings.tsv")))
        result.push_back({pathOf(row.at(0)), row.at(1), row.at(2), row.at(3)});
    return result;
}

class GnomeKeybindingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<QApplication>(argc, argv);
        session = &DconfSession::shared();
        if (HasFatalFailure())
            return;
        // Each test starts from GNOME Settings holding the first two foreign
        // shortcuts and none of ours.
        for (const Foreign& f : foreignKeybindings()) {
            ASSERT_TRUE(session->setEntryKey(f.path, "name", f.name));
            ASSERT_TRUE(session->setEntryKey(f.path, "command", f.command));
            ASSERT_TRUE(session->setEntryKey(f.path, "binding", f.binding));
        }
        ASSERT_TRUE(session->resetEntry(pathOf(region)));
        ASSERT_TRUE(session->resetEntry(pathOf(screen)));
        ASSERT_TRUE(session->setList({foreign(0), foreign(1)}));
    }

    void TearDown() override {
        shortcuts.reset();
        app.reset();
    }

    static QString foreign(int i) { return foreignKeybindings().at(i).path; }

    void startShortcuts() {
        shortcuts = std::make_unique<GlobalShortcuts>(
            preferences,
            std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::desktopSettings,
                                                       std::make_unique<GnomeKeybindingStore>()),
            [] {}, [] {});
        ASSERT_NE(shortcuts->desktopEntries(), nullptr);
    }

    DesktopShortcutEntries& entries() { return *shortcuts->desktopEntries(); }

    // Every foreign shortcut holds what the person gave it.
    void expectForeignUntouched() {
        for (const Foreign& f : foreignKeybindings()) {
            SCOPED_TRACE(f.path.toStdString());
            EXPECT_EQ(session->entryKey(f.path, "name"), quoted(f.name));
            EXPECT_EQ(session->entryKey(f.path, "command"), quoted(f.command));
            EXPECT_EQ(session->entryKey(f.path, "binding"), quoted(f.binding));
        }
    }

    QString command(const char* option) const {
        return QApplication::applicationFilePath() + " " + option;
    }

    int argc = 1;
    char name[16] = "zorvi-test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    DconfSession* session = nullptr;
    TempDir dir;
    Preferences preferences{dir.file("Zorvi.conf"), dir.file("Kestad.conf")};
    std::unique_ptr<GlobalShortcuts> shortcuts;
};

TEST_F(GnomeKeybindingsTest, OursAreAddedAfterTheOthersUpdatedInPlaceAndRemovedLeavingTheListAsItWas) {
    ASSERT_NO_FATAL_FAILURE(startShortcuts());
    const QString before = session->list();
    ASSERT_EQ(before, DconfSession::listText({foreign(0), foreign(1)}));
    EXPECT_TRUE(entries().entries().empty());
    EXPECT_FALSE(shortcuts->works(HotkeyManager::Action::region)) << "nothing runs before anything is added";

    // Added: both recorded shortcuts, in GNOME's syntax, running this program.
    ASSERT_TRUE(entries().add()) << entries().error().toStdString();
    EXPECT_EQ(session->list(), DconfSession::listText({foreign(0), foreign(1), pathOf(region), pathOf(screen)}));
    EXPECT_EQ(session->entryKey(pathOf(region), "binding"), "'<Alt><Shift>2'");
    EXPECT_EQ(session->entryKey(pathOf(region), "command"), quoted(command("--capture-region")));
    EXPECT_EQ(session->entryKey(pathOf(screen), "binding"), "'<Alt><Shift>3'");
    EXPECT_EQ(session->entryKey(pathOf(screen), "command"), quoted(command("--capture-screen")));
    EXPECT_EQ(session->entryKey(pathOf(region), "name"), "'Zorvi: capture a region'");
    EXPECT_TRUE(shortcuts->works(HotkeyManager::Action::region));
    EXPECT_TRUE(shortcuts->works(HotkeyManager::Action::fullScreen));

    // The person adds a shortcut of their own in GNOME Settings after ours.
    ASSERT_TRUE(session->setList({foreign(0), foreign(1), pathOf(region), pathOf(screen), foreign(2)}));
    entries().refresh();

    // A new recording no longer matches what GNOME runs until it is added
    // again, which changes ours where they stand.
    preferences.setRegionHotkey({20, ModifierSet::control() | ModifierSet::command(), 1});
    EXPECT_FALSE(shortcuts->works(HotkeyManager::Action::region)) << "GNOME still runs it on the old keys";
    ASSERT_TRUE(entries().add()) << entries().error().toStdString();
    EXPECT_EQ(session->list(),
              DconfSession::listText({foreign(0), foreign(1), pathOf(region), pathOf(screen), foreign(2)}));
    EXPECT_EQ(session->entryKey(pathOf(region), "binding"), "'<Control><Super>3'");
    EXPECT_TRUE(shortcuts->works(HotkeyManager::Action::region));

    // A double press is nothing GNOME can run: ours for it goes, the rest stays.
    preferences.setFullScreenHotkey({20, ModifierSet::option() | ModifierSet::shift(), 2});
    ASSERT_TRUE(entries().add()) << entries().error().toStdString();
    EXPECT_EQ(session->list(), DconfSession::listText({foreign(0), foreign(1), pathOf(region), foreign(2)}));
    EXPECT_EQ(session->entryKey(pathOf(screen), "binding"), "''");
    EXPECT_FALSE(shortcuts->works(HotkeyManager::Action::fullScreen));

    // Removed: the list is the person's again, in their order, and ours are cleared.
    ASSERT_TRUE(entries().remove()) << entries().error().toStdString();
    EXPECT_EQ(session->list(), DconfSession::listText({foreign(0), foreign(1), foreign(2)}));
    EXPECT_EQ(session->entryKey(pathOf(region), "binding"), "''");
    EXPECT_EQ(session->entryKey(pathOf(region), "command"), "''");
    EXPECT_FALSE(shortcuts->works(HotkeyManager::Action::region));
    expectForeignUntouched();
}

// Where dconf can't keep a change, the page says so and GNOME Settings is as
// it was; once dconf is back, adding works.
TEST_F(GnomeKeybindingsTest, AChangeDconfDoesNotKeepIsShownOnThePageAndLeavesGnomeSettingsAsTheyWere) {
    ASSERT_NO_FATAL_FAILURE(startShortcuts());
    ShortcutSettingsPanel panel(*shortcuts, preferences);
    panel.show();
    auto* add = panel.findChild<QPushButton*>("addToDesktopSettings");
    auto* error = panel.findChild<QWidget*>("desktopShortcutsError");
    ASSERT_NE(add, nullptr);
    EXPECT_FALSE(error->isVisible());
    const QString before = session->list();

    session->stop();
    add->click();
    EXPECT_TRUE(error->isVisible());
    EXPECT_TRUE(error->findChild<QLabel*>("text")->text().contains("dconf"))
        << error->findChild<QLabel*>("text")->text().toStdString();
    EXPECT_EQ(session->list(), before);
    EXPECT_EQ(session->entryKey(pathOf(region), "binding"), "''");
    EXPECT_FALSE(shortcuts->works(HotkeyManager::Action::region));

    DconfSession::shared();
    add->click();
    EXPECT_FALSE(error->isVisible());
    EXPECT_EQ(session->list(), DconfSession::listText({foreign(0), foreign(1), pathOf(region), pathOf(screen)}));
    expectForeignUntouched();
}

// A machine without GNOME's shortcut schemas: the page says which is
// missing, and nothing claims the shortcut works. GLib reads the installed
// schemas once per process, so this runs in a process of its own.
TEST_F(GnomeKeybindingsTest, WithoutGnomesShortcutSchemaThePageSaysWhatIsMissing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString before = session->list();
    TempDir data;
    const QString compiled = data.file("glib-2.0/schemas");
    QDir().mkpath(compiled);
    ASSERT_EQ(DesktopDriver::run("glib-compile-schemas",
                                 {"--targetdir=" + compiled, ZORVI_SOURCE_DIR "/tests/data/gnome/other-schemas"}),
              "");
    ASSERT_TRUE(QFile::exists(compiled + "/gschemas.compiled"));
    EXPECT_EXIT(
        {
            qputenv("XDG_DATA_DIRS", data.path().toUtf8());
            qputenv("XDG_DATA_HOME", data.path().toUtf8());
            qputenv("GSETTINGS_SCHEMA_DIR", compiled.toUtf8());
            startShortcuts();
            ShortcutSettingsPanel panel(*shortcuts, preferences);
            panel.show();
            panel.findChild<QPushButton*>("addToDesktopSettings")->click();
            auto* error = panel.findChild<QWidget*>("desktopShortcutsError");
            std::fprintf(stderr, "shown=%d: %s\n", int(error->isVisible()),
                         error->findChild<QLabel*>("text")->text().toUtf8().constData());
            std::_Exit(shortcuts->works(HotkeyManager::Action::region) ? 1 : 7);
        },
        ::testing::ExitedWithCode(7), "shown=1: .*org\\.gnome\\.settings-daemon\\.plugins\\.media-keys.* is missing");
    EXPECT_EQ(session->list(), before);
}

// A Wayland session without a GlobalShortcuts portal offers GNOME's settings
// only on GNOME, which may name itself among others in XDG_CURRENT_DESKTOP.
TEST_F(GnomeKeybindingsTest, OnlyGnomesWaylandSessionOffersGnomeSettings) {
    WaylandPlatform wayland;
    qputenv("XDG_CURRENT_DESKTOP", "sway");
    EXPECT_EQ(wayland.shortcutService()->desktopKeybindings(), nullptr);
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    shortcuts = std::make_unique<GlobalShortcuts>(preferences, wayland.shortcutService(), [] {}, [] {});
    qunsetenv("XDG_CURRENT_DESKTOP");
    ASSERT_NE(shortcuts->desktopEntries(), nullptr) << "GNOME's session was not recognised";
    EXPECT_EQ(shortcuts->desktopEntries()->settingsName(), "GNOME Settings");
    ASSERT_TRUE(entries().add()) << entries().error().toStdString();
    EXPECT_EQ(session->entryKey(pathOf(region), "binding"), "'<Alt><Shift>2'");
}

// What the app records, as GNOME spells it, and what it reads back from
// spellings GNOME Settings or a person may leave there.
TEST(GnomeAccelerators, RecordedShortcutsAreSpelledAsGnomeReadsThemAndReadBack) {
    for (const QStringList& row : rows(QStringLiteral("accelerators.tsv"))) {
        SCOPED_TRACE(row.join(' ').toStdString());
        HotkeyBinding binding{row.at(0) == "-" ? std::nullopt : std::optional<uint16_t>(row.at(0).toUShort()),
                              ModifierSet(row.at(1).toUInt()), row.at(2).toInt()};
        EXPECT_EQ(GnomeAccelerator::fromBinding(binding), row.value(3));
        if (!row.value(3).isEmpty()) {
            EXPECT_EQ(GnomeAccelerator::toBinding(row.value(3)), binding);
        }
    }
    for (const QStringList& row : rows(QStringLiteral("hand-written-accelerators.tsv"))) {
        SCOPED_TRACE(row.join(' ').toStdString());
        const std::optional<HotkeyBinding> read = GnomeAccelerator::toBinding(row.at(0));
        if (row.at(1) == "-") {
            EXPECT_FALSE(read.has_value());
            continue;
        }
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->keyCode, row.at(1).toUShort());
        EXPECT_EQ(read->modifiers, ModifierSet(row.at(2).toUInt()));
    }
}

} // namespace
