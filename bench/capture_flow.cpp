// The capture flow's latencies on a real X server, at 4K: trigger to every
// overlay window mapped (with no window of ours, with our board in front,
// with it behind another application's window, beside busy loops, and
// ksnip's own region command for comparison), mouse-up to the note box on
// screen, and save to the row committed; plus the memory the frozen frames
// hold while the overlay is up and what is left once it closes. Needs an X
// display: bench/capture-flow.sh runs it at 3840x2160 and on two 4K
// monitors side by side (7680x2160 split into 3840-pixel monitors, one
// overlay each). median_ms is each case's median iteration.
#include "library/Library.h"
#include "capture/CaptureController.h"
#include "platform/x11/X11ScreenCapturer.h"
#include "platform/PermissionsService.h"
#include "settings/Preferences.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include "capture_x11/ForeignWindow.h"
#include "support/DesktopDriver.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One app with a library in a temporary folder, kept for every case.
struct App {
    QTemporaryDir home;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<Library> library;
    PermissionsService permissions;
    X11ScreenCapturer capturer;
    std::unique_ptr<CaptureController> controller;

    App() {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        preferences = std::make_unique<Preferences>(home.filePath("Zorvi.conf"), home.filePath("none.conf"));
        preferences->setPlayCaptureSound(false);
        library = std::make_unique<Library>(*store);
        controller = std::make_unique<CaptureController>(*library, *preferences, permissions, capturer,
                                                         [] { return CaptureContext(); });
    }
};

App* app(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("capture_flow: no X display, skipped (run under with-session.sh --wm --screen 3840x2160x24)");
        state.SkipWithError("no X display");
        return nullptr;
    }
    static App* instance = [] {
        // Monitors of 3840 pixels across a wider screen, before Qt reads the screens.
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const int width = xcb_setup_roots_iterator(xcb_get_setup(c)).data->width_in_pixels;
        xcb_disconnect(c);
        for (int x = 0; width > 3840 && x + 3840 <= width; x += 3840)
            QProcess::execute("xrandr", {"--setmonitor", QStringLiteral("M%1").arg(x / 3840),
                                         QStringLiteral("3840/600x2160/340+%1+0").arg(x), x == 0 ? "screen" : "none"});
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return new App;
    }();
    return instance;
}

// Watches the root window for windows being mapped, on a connection of its own.
class MapWatcher {
public:
    MapWatcher() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~MapWatcher() { xcb_disconnect(c_); }

    void drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
            std::free(e);
    }

    // Runs the app's event loop until `count` windows at least `minWidth` wide have been mapped.
    bool waitForMaps(int count, int minWidth, std::chrono::seconds within = std::chrono::seconds(5)) {
        const auto deadline = Clock::now() + within;
        int seen = 0;
        while (seen < count && Clock::now() < deadline) {
            QCoreApplication::processEvents();
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, map->window), nullptr);
                    if (g && g->width >= minWidth)
                        ++seen;
                    std::free(g);
                }
                std::free(e);
            }
        }
        return seen >= count;
    }

    // A pointer made of XTEST requests.
    void button(bool press, QPoint at) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(at.x()), int16_t(at.y()), 0);
        xcb_test_fake_input(c_, press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c_);
    }
    void move(QPoint to) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(to.x()), int16_t(to.y()), 0);
        xcb_flush(c_);
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_;
};

void settle(int ms = 50) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(2);
    }
}

double residentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int screenCount() { return int(QGuiApplication::screens().size()); }

int smallestScreenWidth() {
    int width = INT_MAX;
    for (QScreen* s : QGuiApplication::screens())
        width = std::min(width, int(s->geometry().width() * s->devicePixelRatio()));
    return width;
}

// Records each iteration's time; the median goes in as median_ms.
class Timings {
public:
    void add(benchmark::State& state, Clock::duration took) {
        const double seconds = std::chrono::duration<double>(took).count();
        state.SetIterationTime(seconds);
        ms_.push_back(seconds * 1000);
    }
    void report(benchmark::State& state) {
        if (ms_.empty())
            return;
        std::sort(ms_.begin(), ms_.end());
        state.counters["median_ms"] = ms_[ms_.size() / 2];
    }

private:
    std::vector<double> ms_;
};

// Processes spinning beside the benchmark, as on a loaded machine.
class BusyLoops {
public:
    explicit BusyLoops(int count) {
        for (int i = 0; i < count; ++i) {
            loops_.push_back(std::make_unique<QProcess>());
            loops_.back()->start("sh", {"-c", "while :; do :; done"});
        }
    }
    ~BusyLoops() {
        for (const auto& loop : loops_) {
            loop->kill();
            loop->waitForFinished();
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> loops_;
};

// A titled window of ours the size of a board, with something drawn in it.
class BoardStandIn : public QWidget {
public:
    BoardStandIn() {
        setWindowTitle("Board stand-in");
        setAutoFillBackground(true);
        setPalette(QPalette(QColor("#e8e4dc")));
        setGeometry(200, 150, 1600, 1000);
        show();
        DesktopDriver::waitForWindows("Board stand-in");
    }
    void activate() {
        DesktopDriver::xdotool({"windowactivate", "--sync", QString::number(winId())});
    }
};

// Up to the overlay waiting for a drag.
bool openOverlay(App& a, MapWatcher& watcher) {
    watcher.drain();
    a.controller->beginRegion();
    return watcher.waitForMaps(screenCount(), smallestScreenWidth());
}

void BM_TriggerToOverlayMapped(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    MapWatcher watcher;
    Timings timings;
    double overlayMB = 0, afterMB = 0;
    for (auto _ : state) {
        settle();
        malloc_trim(0);
        const double beforeMB = residentMB();
        const auto start = Clock::now();
        if (!openOverlay(*a, watcher)) {
            state.SkipWithError("the overlay windows never mapped");
            return;
        }
        timings.add(state, Clock::now() - start);
        overlayMB = residentMB() - beforeMB;
        a->controller->overlay().finish(std::nullopt);
        settle();
        malloc_trim(0);
        afterMB = residentMB() - beforeMB;
    }
    timings.report(state);
    state.counters["screens"] = screenCount();
    state.counters["overlay_rss_mb"] = overlayMB;
    state.counters["after_close_rss_mb"] = afterMB;
}
BENCHMARK(BM_TriggerToOverlayMapped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Trigger to overlay, `before` run ahead of each (untimed).
void triggerToOverlay(benchmark::State& state, App& a, const std::function<void()>& before) {
    MapWatcher watcher;
    Timings timings;
    for (auto _ : state) {
        settle();
        before();
        const auto start = Clock::now();
        if (!openOverlay(a, watcher)) {
            state.SkipWithError("the overlay windows never mapped");
            return;
        }
        timings.add(state, Clock::now() - start);
        a.controller->overlay().finish(std::nullopt);
    }
    timings.report(state);
}

// Zorvi in front is captured as it is: nothing to hide, nothing to wait for.
void BM_TriggerToOverlayBoardInFront(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    BoardStandIn board;
    triggerToOverlay(state, *a, [&] { board.activate(); });
}
BENCHMARK(BM_TriggerToOverlayBoardInFront)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Our board on screen under another application's window: it steps aside
// and the grab waits for what it covered to be drawn again.
void BM_TriggerToOverlayBoardBehind(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    BoardStandIn board;
    ForeignWindow other("Another application", QColor("#3b6ea5"), QRect(900, 600, 1400, 900));
    other.waitUntilShown();
    triggerToOverlay(state, *a, [&] {
        processEventsUntil([&] { return board.isVisible(); });
        other.activate();
    });
}
BENCHMARK(BM_TriggerToOverlayBoardBehind)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// With no window of ours, beside 0, 2 or 20 busy loops.
void BM_TriggerToOverlayBesideBusyLoops(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    BusyLoops loops(int(state.range(0)));
    triggerToOverlay(state, *a, [] {});
}
BENCHMARK(BM_TriggerToOverlayBesideBusyLoops)->ArgName("busy")->Arg(0)->Arg(2)->Arg(20)->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(10);

// ksnip's own region command in the same conditions: the process started
// to its full-screen selection window mapped. Skipped without ksnip.
void BM_KsnipRegionOverlayBesideBusyLoops(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    const QString ksnip = QStandardPaths::findExecutable("ksnip");
    if (ksnip.isEmpty()) {
        state.SkipWithError("ksnip is not installed");
        return;
    }
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    BusyLoops loops(int(state.range(0)));
    MapWatcher watcher;
    Timings timings;
    for (auto _ : state) {
        settle();
        watcher.drain();
        QProcess process;
        process.setProcessEnvironment(environment);
        const auto start = Clock::now();
        process.start(ksnip, {"-r"});
        // A whole program starting beside 20 busy loops takes its time.
        if (!watcher.waitForMaps(1, smallestScreenWidth(), std::chrono::seconds(60))) {
            state.SkipWithError("ksnip's selection window never mapped");
            process.kill();
            process.waitForFinished();
            return;
        }
        timings.add(state, Clock::now() - start);
        process.kill();
        process.waitForFinished();
    }
    timings.report(state);
}
BENCHMARK(BM_KsnipRegionOverlayBesideBusyLoops)->ArgName("busy")->Arg(0)->Arg(2)->Arg(20)->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MouseUpToNoteBoxShown(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    MapWatcher watcher;
    Timings timings;
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(400, 300);
    for (auto _ : state) {
        settle();
        if (!openOverlay(*a, watcher)) {
            state.SkipWithError("the overlay windows never mapped");
            return;
        }
        watcher.button(true, origin);
        watcher.move(origin + QPoint(800, 500));
        watcher.move(origin + QPoint(1600, 1000));
        if (!a->controller->overlay().hasBegunDrag())
            settle(30);
        watcher.drain();
        const auto start = Clock::now();
        watcher.button(false, origin + QPoint(1600, 1000));
        // The note box is a managed window: its frame is mapped on the root.
        if (!watcher.waitForMaps(1, 100) ) {
            state.SkipWithError("the note box never mapped");
            return;
        }
        timings.add(state, Clock::now() - start);
        a->controller->compose().panel()->model().discard();
    }
    timings.report(state);
}
BENCHMARK(BM_MouseUpToNoteBoxShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SaveToRowCommitted(benchmark::State& state) {
    App* a = app(state);
    if (!a)
        return;
    MapWatcher watcher;
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(400, 300);
    for (auto _ : state) {
        settle();
        if (!openOverlay(*a, watcher)) {
            state.SkipWithError("the overlay windows never mapped");
            return;
        }
        a->controller->overlay().beginDrag(origin);
        a->controller->overlay().updateDrag(origin + QPoint(1600, 1000));
        a->controller->overlay().endDrag();
        // A person types for a while: the PNG is on disk before they save.
        settle(400);
        ComposeModel& model = a->controller->compose().panel()->model();
        model.note = QStringLiteral("The chart's legend overlaps the axis");
        const auto start = Clock::now();
        model.save();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["captures"] = double(a->store->captures(CaptureQuery()).size());
}
BENCHMARK(BM_SaveToRowCommitted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
