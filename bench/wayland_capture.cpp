// A capture on a real Wayland desktop, as a person with a desktop shortcut
// sees it, with the app already running: from the command `zorvi
// --capture-region` to the overlay on screen, and from Save (Ctrl+Enter in
// the note box) to the row in the library's database. Runs inside the tests'
// desktop sessions, GNOME Shell or sway (bench/wayland-capture.sh); windows
// are seen through the compositor, so a figure is good to about one polling
// round (some milliseconds).
#include "wayland_gnome/GnomeDesktop.h"
#include "wayland_sway/SwayDesktop.h"

#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include "settings/Preferences.h"
#include "shell/SingleInstance.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <memory>

namespace {

const QString overlayTitle = QStringLiteral("Zorvi region selection");
const QString noteTitle = QStringLiteral("Zorvi note");

// The desktop and the running app, shared by the benchmarks of one run.
struct Session {
    Session() {
        ensureQtApplication();
        qputenv("ZORVI_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        if (qEnvironmentVariable("XDG_CURRENT_DESKTOP") == u"GNOME") {
            auto gnome = std::make_unique<GnomeDesktop>();
            if (!gnome->closeOverview())
                return;
            desktop = std::move(gnome);
        } else {
            desktop = std::make_unique<SwayDesktop>();
        }
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(QStringLiteral(ZORVI_APP_BINARY), {"--background"});
        ready = desktop->inputReady() && app.waitForStarted() &&
                processEventsUntil([] { return QFileInfo::exists(SingleInstance::socketPath()); }, 15000);
    }

    ~Session() {
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
    }

    static Session& shared() {
        static Session session;
        return session;
    }

    // What a desktop shortcut runs: the command, handed to the running app.
    static bool command(const QString& argument) {
        QProcess forwarder;
        forwarder.start(QStringLiteral(ZORVI_APP_BINARY), {argument});
        return forwarder.waitForFinished(15000) && forwarder.exitCode() == 0;
    }

    std::size_t rows() { return store->captures(CaptureQuery()).size(); }

    TempDir home;
    TempDir config;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<WaylandDesktop> desktop;
    QProcess app;
    bool ready = false;
};

// Polls with a shorter pause than the test helpers, for a finer figure,
// yet leaves the two cores mostly to the app and the compositor.
template <class Predicate>
bool closelyUntil(Predicate done, int timeoutMs = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::usleep(2000);
    }
    return true;
}

void BM_CommandToOverlayOnScreen(benchmark::State& state) {
    Session& session = Session::shared();
    if (!session.ready) {
        state.SkipWithError("the desktop or the app did not start");
        return;
    }
    WaylandDesktop& desktop = *session.desktop;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (!Session::command("--capture-region") ||
            !closelyUntil([&] { return desktop.window(overlayTitle).has_value(); })) {
            state.SkipWithError("no overlay");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!desktop.waitForFocus(overlayTitle) || !desktop.key("Escape") || !desktop.waitUntilGone(overlayTitle)) {
            state.SkipWithError("the overlay did not close");
            return;
        }
    }
}

void BM_SaveToRowCommitted(benchmark::State& state) {
    Session& session = Session::shared();
    if (!session.ready) {
        state.SkipWithError("the desktop or the app did not start");
        return;
    }
    WaylandDesktop& desktop = *session.desktop;
    for (auto _ : state) {
        const std::size_t before = session.rows();
        // The whole output (Space), a short note, then Save.
        if (!Session::command("--capture-region") || !desktop.waitForFocus(overlayTitle) || !desktop.key("space") ||
            !desktop.waitForFocus(noteTitle) || !desktop.type("Timed")) {
            state.SkipWithError(("no note box with the keyboard; windows: " + desktop.windowTitles()).toStdString().c_str());
            return;
        }
        QElapsedTimer clock;
        clock.start();
        if (!desktop.ctrlKey("Return") || !closelyUntil([&] { return session.rows() > before; })) {
            state.SkipWithError(("no row; windows: " + desktop.windowTitles()).toStdString().c_str());
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!desktop.waitUntilGone(noteTitle)) {
            state.SkipWithError("the note box stayed");
            return;
        }
    }
}

BENCHMARK(BM_CommandToOverlayOnScreen)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToRowCommitted)->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond);

} // namespace
