// From a key event arriving at the X server to the shortcut's action running
// on the main thread, through the app's own grabs and raw key events. Needs
// an X display (run it under tests/support/with-session.sh --x11); keys are
// sent with XTEST as a keyboard would.
#include "shell/Preferences.h"
#include "shortcuts/GlobalShortcuts.h"

#include <QCoreApplication>
#include <QEventLoop>
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
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

uint8_t keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const uint8_t first = codes ? codes[0] : 0;
    std::free(codes);
    return first;
}

void press(xcb_connection_t* c, uint8_t keycode, bool down) {
    xcb_test_fake_input(c, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void measure(benchmark::State& state, const HotkeyBinding& binding) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("global_shortcut_dispatch: no X display, skipped (run under with-session.sh --x11)");
        state.SkipWithError("no X display");
        return;
    }
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);

    QTemporaryDir dir;
    Preferences preferences(dir.filePath("Zorvi.conf"), dir.filePath("Kestad.conf"));
    preferences.setRegionHotkey(binding);
    QEventLoop loop;
    Clock::time_point firedAt;
    GlobalShortcuts shortcuts(
        preferences,
        [&] {
            firedAt = Clock::now();
            loop.quit();
        },
        [] {});

    xcb_connection_t* keyboard = xcb_connect(nullptr, nullptr);
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(keyboard);
    const uint8_t alt = keycodeOf(symbols, 0xffe9), shift = keycodeOf(symbols, 0xffe1), two = keycodeOf(symbols, '2');
    xcb_key_symbols_free(symbols);
    press(keyboard, alt, true);
    press(keyboard, shift, true);
    xcb_flush(keyboard);

    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<double> samples;
    for (auto _ : state) {
        // Earlier presses of a multi-press belong to the setup, not the figure.
        for (int i = 1; i < binding.tapCount; ++i) {
            press(keyboard, two, true);
            press(keyboard, two, false);
        }
        xcb_flush(keyboard);
        QCoreApplication::processEvents();
        const Clock::time_point sentAt = Clock::now();
        press(keyboard, two, true);
        xcb_flush(keyboard);
        giveUp.start(1000);
        loop.exec();
        giveUp.stop();
        if (firedAt < sentAt) {
            state.SkipWithError("the shortcut did not fire");
            break;
        }
        const double seconds = std::chrono::duration<double>(firedAt - sentAt).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1000);
        press(keyboard, two, false);
        xcb_flush(keyboard);
    }
    press(keyboard, shift, false);
    press(keyboard, alt, false);
    xcb_flush(keyboard);
    xcb_disconnect(keyboard);

    std::sort(samples.begin(), samples.end());
    auto percentile = [&](double p) { return samples.empty() ? 0 : samples[size_t(p * (samples.size() - 1))]; };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p99_ms"] = percentile(0.99);
    state.counters["max_ms"] = samples.empty() ? 0 : samples.back();
}

// A plain combination: a passive grab on the root window.
void grabbedCombination(benchmark::State& state) {
    measure(state, HotkeyBinding{19, ModifierSet::option() | ModifierSet::shift(), 1});
}
BENCHMARK(grabbedCombination)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

// The last press of a double press: raw key events into the trigger state machine.
void doublePressCombination(benchmark::State& state) {
    measure(state, HotkeyBinding{19, ModifierSet::option() | ModifierSet::shift(), 2});
}
BENCHMARK(doublePressCombination)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace
