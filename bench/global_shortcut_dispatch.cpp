// From a key event arriving at the X server to the shortcut's action running
// on the main thread. Needs an X display (run it under
// tests/support/with-session.sh --x11); keys are sent with XTEST as a
// keyboard would. The last case reads the same grab through Qt's own
// connection instead, the alternative to the app's own connection.
#include "settings/Preferences.h"
#include "platform/Platform.h"
#include "platform/ShortcutService.h"
#include "shortcuts/GlobalShortcuts.h"

#include <QAbstractNativeEventFilter>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const HotkeyBinding altShift2{19, ModifierSet::option() | ModifierSet::shift(), 1};

bool ensureDisplay(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("global_shortcut_dispatch: no X display, skipped (run under with-session.sh --x11)");
        state.SkipWithError("no X display");
        return false;
    }
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QGuiApplication(argc, argv);
    return true;
}

// A keyboard made of XTEST requests on a connection of its own.
class Keyboard {
public:
    Keyboard() : c_(xcb_connect(nullptr, nullptr)) {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c_);
        auto keycode = [symbols](xcb_keysym_t keysym) {
            xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
            const uint8_t first = codes ? codes[0] : 0;
            std::free(codes);
            return first;
        };
        alt_ = keycode(0xffe9);
        shift_ = keycode(0xffe1);
        two = keycode('2');
        xcb_key_symbols_free(symbols);
        send(alt_, true);
        send(shift_, true);
        xcb_flush(c_);
    }
    ~Keyboard() {
        send(shift_, false);
        send(alt_, false);
        xcb_flush(c_);
        xcb_disconnect(c_);
    }
    void send(uint8_t keycode, bool down) {
        xcb_test_fake_input(c_, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void flush() { xcb_flush(c_); }

    uint8_t two = 0;

private:
    xcb_connection_t* c_;
    uint8_t alt_ = 0, shift_ = 0;
};

// Presses Alt+Shift+2 `presses` times per iteration and times the last press
// until `fired` has been called from the event loop.
class LatencyProbe {
public:
    LatencyProbe() {
        giveUp_.setSingleShot(true);
        QObject::connect(&giveUp_, &QTimer::timeout, &loop_, &QEventLoop::quit);
    }
    void fired() {
        firedAt_ = Clock::now();
        loop_.quit();
    }

    void run(benchmark::State& state, int presses) {
        Keyboard keyboard;
        std::vector<double> samples;
        for (auto _ : state) {
            // Earlier presses of a multi-press belong to the setup, not the figure.
            for (int i = 1; i < presses; ++i) {
                keyboard.send(keyboard.two, true);
                keyboard.send(keyboard.two, false);
            }
            keyboard.flush();
            QCoreApplication::processEvents();
            const Clock::time_point sentAt = Clock::now();
            keyboard.send(keyboard.two, true);
            keyboard.flush();
            giveUp_.start(1000);
            loop_.exec();
            giveUp_.stop();
            keyboard.send(keyboard.two, false);
            keyboard.flush();
            if (firedAt_ < sentAt) {
                state.SkipWithError("the shortcut did not fire");
                break;
            }
            const double seconds = std::chrono::duration<double>(firedAt_ - sentAt).count();
            state.SetIterationTime(seconds);
            samples.push_back(seconds * 1000);
        }
        std::sort(samples.begin(), samples.end());
        auto percentile = [&](double p) { return samples.empty() ? 0 : samples[size_t(p * (samples.size() - 1))]; };
        state.counters["p50_ms"] = percentile(0.50);
        state.counters["p99_ms"] = percentile(0.99);
        state.counters["max_ms"] = samples.empty() ? 0 : samples.back();
    }

private:
    QEventLoop loop_;
    QTimer giveUp_;
    Clock::time_point firedAt_;
};

void throughTheApp(benchmark::State& state, const HotkeyBinding& binding) {
    if (!ensureDisplay(state))
        return;
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Zorvi.conf"), dir.filePath("Kestad.conf"));
    preferences.setRegionHotkey(binding);
    LatencyProbe probe;
    GlobalShortcuts shortcuts(preferences, Platform::current().shortcutService(), [&] { probe.fired(); }, [] {});
    probe.run(state, binding.tapCount);
}

// A plain combination: a passive grab on the app's own connection.
void grabbedCombination(benchmark::State& state) {
    throughTheApp(state, altShift2);
}
BENCHMARK(grabbedCombination)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

// The last press of a double press: raw key events into the trigger state machine.
void doublePressCombination(benchmark::State& state) {
    throughTheApp(state, HotkeyBinding{altShift2.keyCode, altShift2.modifiers, 2});
}
BENCHMARK(doublePressCombination)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

// The same grab read from Qt's connection through a native event filter:
// Qt's reader thread takes the event and hands it to the main thread.
class GrabFilter : public QAbstractNativeEventFilter {
public:
    GrabFilter(uint8_t keycode, std::function<void()> fired) : keycode_(keycode), fired_(std::move(fired)) {}
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS &&
            reinterpret_cast<const xcb_key_press_event_t*>(event)->detail == keycode_) {
            QMetaObject::invokeMethod(qApp, fired_, Qt::QueuedConnection);
            return true;
        }
        return false;
    }

private:
    uint8_t keycode_;
    std::function<void()> fired_;
};

void qtConnectionGrab(benchmark::State& state) {
    if (!ensureDisplay(state))
        return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        state.SkipWithError("Qt is not on xcb");
        return;
    }
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    LatencyProbe probe;
    const uint8_t two = Keyboard().two;
    GrabFilter filter(two, [&] { probe.fired(); });
    qApp->installNativeEventFilter(&filter);
    const uint16_t mask = altShift2.modifiers.xModifierMask();
    xcb_grab_key(c, 1, root, mask, two, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_flush(c);
    probe.run(state, 1);
    xcb_ungrab_key(c, two, root, mask);
    xcb_flush(c);
    qApp->removeNativeEventFilter(&filter);
}
BENCHMARK(qtConnectionGrab)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

} // namespace
