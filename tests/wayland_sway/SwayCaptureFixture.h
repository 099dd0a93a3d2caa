#pragma once

#include "SwayDesktop.h"

#include "support/TempDir.h"

#include "settings/Preferences.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

#include <QProcess>

// The app in the test's sway session, started the way a desktop shortcut
// starts it, with a library and settings of the test's own.
class SwayCaptureTest : public ::testing::Test {
protected:
    static constexpr const char* overlayTitle = "Zorvi region selection";
    static constexpr const char* noteTitle = "Zorvi note";

    void SetUp() override {
        ensureQtApplication();
        qputenv("ZORVI_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        // Past the first-run guide, as someone with a desktop shortcut is.
        Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        ASSERT_TRUE(desktop.inputReady()) << "the virtual keyboard and pointer did not start";
    }

    void TearDown() override { stopApp(); }

    static QString pictureFile() { return QStringLiteral(ZORVI_SOURCE_DIR "/tests/data/capture/known-window.png"); }
    static QImage picture() { return TestImages::pixelsOf(QImage(pictureFile())); }

    // `zorvi ARGUMENTS` as a desktop shortcut runs it: the first starts the
    // app, later ones hand their command to it and end.
    void zorvi(const QStringList& arguments, const QProcessEnvironment& environment = {}) {
        if (app_.state() == QProcess::NotRunning) {
            if (!environment.isEmpty())
                app_.setProcessEnvironment(environment);
            app_.setProcessChannelMode(QProcess::ForwardedChannels);
            app_.start(QStringLiteral(ZORVI_APP_BINARY), arguments);
            ASSERT_TRUE(app_.waitForStarted());
            return;
        }
        QProcess forwarder;
        forwarder.start(QStringLiteral(ZORVI_APP_BINARY), arguments);
        ASSERT_TRUE(forwarder.waitForFinished(15000));
        ASSERT_EQ(forwarder.exitCode(), 0);
    }

    void stopApp() {
        if (app_.state() == QProcess::NotRunning)
            return;
        app_.terminate();
        if (!app_.waitForFinished(5000))
            app_.kill();
        app_.waitForFinished();
    }

    std::vector<Capture> captures() { return store->captures(CaptureQuery()); }

    bool waitForCaptures(std::size_t count) {
        return processEventsUntil([&] { return captures().size() >= count; }, 15000);
    }


    QImage savedImage(const Capture& capture) {
        const std::vector<CaptureImage> images = store->images(capture.id);
        if (images.size() != 1)
            return {};
        return TestImages::pixelsOf(QImage(ZorviPaths::imageFile(images.front().imagePath)));
    }

    // Types a note into the note box once the compositor has given it the
    // keyboard, and saves it.
    void fileNote(const QString& note) {
        ASSERT_TRUE(SwayDesktop::waitForFocus(noteTitle))
            << "the note box never took the keyboard; windows: " << SwayDesktop::windowTitles().toStdString();
        ASSERT_TRUE(desktop.type(note));
        ASSERT_TRUE(desktop.ctrlKey("Return"));
        ASSERT_TRUE(SwayDesktop::waitUntilGone(noteTitle));
    }

    TempDir home;
    TempDir config;
    std::unique_ptr<CaptureStore> store;
    SwayDesktop desktop;
    QProcess app_;
};
