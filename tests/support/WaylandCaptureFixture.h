#pragma once

#include "support/LibraryFiles.h"
#include "support/QtEventLoop.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "support/TestImages.h"
#include "support/WaylandDesktop.h"
#include "support/WindowText.h"

#include "settings/Preferences.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <memory>
#include <vector>

// Captures on a real Wayland desktop: the app (ZORVI_APP_BINARY) started from
// the command line the way a desktop shortcut starts it, with a library of
// the test's own that the test reads back from its SQLite file.
class WaylandCaptureFixture : public ::testing::Test {
protected:
    static constexpr const char* overlayTitle = "Zorvi region selection";
    static constexpr const char* noteTitle = "Zorvi note";

    // The desktop the test drives.
    virtual WaylandDesktop& desktop() = 0;

    // The app's configuration folder: one of the test's own unless a test
    // needs the session's (where dconf keeps the desktop's settings).
    virtual QString configHome() { return config.path(); }

    // The session's configuration folder, as the desktop's own programs see it.
    QString sessionConfigHome() const {
        return sessionConfig_.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : sessionConfig_;
    }

    void SetUp() override {
        ensureQtApplication();
        sessionHome_ = qgetenv("ZORVI_HOME");
        sessionConfig_ = qEnvironmentVariable("XDG_CONFIG_HOME");
        qputenv("ZORVI_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
        // Past the first-run guide, as someone with a desktop shortcut is.
        Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        ASSERT_TRUE(desktop().inputReady()) << "the keyboard and pointer of the test did not start";
    }

    void TearDown() override {
        stopApp();
        // The next test of the process starts from the session as it was.
        restoreVariable("ZORVI_HOME", sessionHome_);
        restoreVariable("XDG_CONFIG_HOME", sessionConfig_.toUtf8());
    }

    // A picture with known pixels for the desktop to show.
    static QString pictureFile() { return QStringLiteral(ZORVI_SOURCE_DIR "/tests/data/capture/known-window.png"); }
    static QImage picture() { return TestImages::pixelsOf(QImage(pictureFile())); }

    // `zorvi ARGUMENTS` as a desktop shortcut runs it: the first starts the
    // app, later ones hand their command to it and end.
    void zorvi(const QStringList& arguments, const QProcessEnvironment& environment = {}) {
        if (app_.state() == QProcess::NotRunning) {
            QProcessEnvironment appEnvironment =
                environment.isEmpty() ? QProcessEnvironment::systemEnvironment() : environment;
            // Every step of a capture in the log, which a failed test prints.
            appEnvironment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("zorvi.*.debug=true"));
            app_.setProcessEnvironment(appEnvironment);
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

    bool appRunning() const { return app_.state() != QProcess::NotRunning; }

    // For a window of the app that never came: what the desktop shows, and
    // whether the app still runs (its debug lines, above, say how far it got).
    std::string windowsAndApp() {
        return "windows: " + desktop().windowTitles().toStdString() +
               (appRunning() ? "; the app runs" : "; the app has ended");
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

    // The capture filed with this note, if any.
    std::optional<Capture> captureWithNote(const QString& note) {
        for (Capture& capture : captures())
            if (capture.note == note)
                return std::move(capture);
        return std::nullopt;
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
        ASSERT_TRUE(desktop().waitForFocus(noteTitle))
            << "the note box never took the keyboard; " << windowsAndApp();
        ASSERT_TRUE(desktop().type(note));
        ASSERT_TRUE(desktop().ctrlKey("Return"));
        ASSERT_TRUE(desktop().waitUntilGone(noteTitle));
    }

    // The screen once the overlay has drawn the selection around `inside`,
    // which it shows undimmed, `undimmed` being the page's pixel there; null
    // if it never does.
    QImage screenWithSelectionDrawn(QPoint inside, QRgb undimmed) {
        QImage screen;
        const bool drawn = processEventsUntil([&] {
            screen = desktop().screenshot();
            return !screen.isNull() && screen.pixel(inside) == undimmed;
        }, 10000);
        return drawn ? screen : QImage();
    }

    // The README's picture of the note box with a note typed, saved in
    // `folder` as note-box-<desktopName>-1x.png; then the note is filed.
    void screenshotTheNoteBox(const QString& folder, const QString& desktopName) {
        ASSERT_TRUE(desktop().waitForFocus(noteTitle));
        ASSERT_TRUE(desktop().type(QStringLiteral("The sidebar overlaps the code sample")));
        // The note box shows what was typed once the recogniser reads it there.
        ASSERT_TRUE(processEventsUntil([&] { return textOfWindow(desktop(), noteTitle).contains("sidebar"); }, 15000));
        ASSERT_TRUE(desktop().screenshot().save(folder + "/note-box-" + desktopName + "-1x.png"));
        ASSERT_TRUE(desktop().ctrlKey("Return"));
        ASSERT_TRUE(waitForCaptures(1));
    }

    // Esc in the overlay: it closes, no note box follows, and the library
    // keeps exactly the rows and files it had.
    void cancelFromTheOverlay() {
        const std::size_t rows = captures().size();
        const QStringList files = libraryFiles();
        zorvi({"--capture-region"});
        ASSERT_TRUE(desktop().waitForFocus(overlayTitle))
            << "no overlay with the keyboard; " << windowsAndApp();
        ASSERT_TRUE(desktop().key("Escape"));
        ASSERT_TRUE(desktop().waitUntilGone(overlayTitle));
        EXPECT_FALSE(desktop().window(noteTitle).has_value());
        EXPECT_EQ(captures().size(), rows);
        EXPECT_EQ(libraryFiles(), files);
    }

    TempDir home;
    TempDir config;
    std::unique_ptr<CaptureStore> store;

private:
    static void restoreVariable(const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QProcess app_;
    QByteArray sessionHome_;
    QString sessionConfig_;
};
