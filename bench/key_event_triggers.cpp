// The key-event monitor sits in the path of every key the user types; this
// measures what one event costs it with both shortcuts configured as triggers.
#include "support/FakeClock.h"
#include "shortcuts/KeyEventMonitor.h"

#include <benchmark/benchmark.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();

void configure(KeyEventMonitor& monitor) {
    monitor.setTriggers({{{19, altShift, 2}, [] {}}, {{std::nullopt, ModifierSet::command(), 2}, [] {}}});
}

// Ordinary typing: keys that match no trigger.
void unrelatedKeyDown(benchmark::State& state) {
    FakeClock clock;
    KeyEventMonitor monitor(nullptr, clock);
    configure(monitor);
    uint16_t code = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor.keyDown(code, ModifierSet::shift()));
        code = uint16_t((code + 1) % 50);
    }
}
BENCHMARK(unrelatedKeyDown);

// Presses of the double-press combination, far enough apart never to fire.
void matchingKeyDown(benchmark::State& state) {
    FakeClock clock;
    KeyEventMonitor monitor(nullptr, clock);
    configure(monitor);
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor.keyDown(19, altShift));
        clock.advance(1.0);
    }
}
BENCHMARK(matchingKeyDown);

// Shift pressed and released, as while typing capitals.
void modifierChanges(benchmark::State& state) {
    FakeClock clock;
    KeyEventMonitor monitor(nullptr, clock);
    configure(monitor);
    for (auto _ : state) {
        monitor.flagsChanged(ModifierSet::shift());
        monitor.flagsChanged({});
    }
}
BENCHMARK(modifierChanges);

} // namespace
