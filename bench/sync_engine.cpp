// The sync engine against a real zorvi-server on loopback: the first pull of
// a large workspace and a push of many edits, each with the longest stall of
// the UI thread while it happens. The UI thread runs the board's Library,
// which on the library's D-Bus change signal reads in the background and
// shows the result, as in the app, so run under a session bus:
// tests/support/with-session.sh -- build/bench/bench_sync_engine
#include "sync/MemoryTokenStore.h"
#include "sync/ServiceAccounts.h"

#include "common/Identifiers.h"
#include "library/Library.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/SyncLedger.h"
#include "sync/SyncEngine.h"
#include "common/Wire.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>


namespace {

constexpr int workspaceCaptures = 10'000;
constexpr int pushedEdits = 1'000;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "bench_sync_engine";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

// One server for the whole program, holding a workspace of 10,000 captures.
struct Service {
    ZorviServer server;
    QString workspace;

    Service() {
        ServiceAccounts::populate(server);
        server.start();
        SyncClient alice(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
        workspace = alice.me().workspaces.at(0).id;
        const QJsonValue now = Wire::stamp(QDateTime::currentDateTimeUtc());
        for (int sent = 0; sent < workspaceCaptures;) {
            QJsonArray changes;
            for (int i = 0; i < 500 && sent < workspaceCaptures; ++i, ++sent)
                changes.append(QJsonObject{
                    {"table", "captures"},
                    {"id", Identifiers::make()},
                    {"base_version", 0},
                    {"patch", QJsonObject{{"workspace_id", workspace},
                                          {"note", QString("Seeded capture %1: the button overlaps the label").arg(sent)},
                                          {"status", "open"},
                                          {"priority", "normal"},
                                          {"capture_mode", "text"},
                                          {"tags", QJsonArray{"seed"}},
                                          {"created_at", now},
                                          {"captured_at", now}}}});
            alice.sync(QJsonObject{{"device_id", Identifiers::make()},
                                   {"cursor", 0},
                                   {"changes", changes},
                                   {"full_groups", QJsonArray()}});
        }
    }
};

// The server, or none after marking the benchmark skipped.
Service* service(benchmark::State& state) {
    if (!ZorviServer::available()) {
        state.SkipWithError("zorvi-server is not built");
        return nullptr;
    }
    if (!QDBusConnection::sessionBus().isConnected()) {
        state.SkipWithError("needs a session bus: run under tests/support/with-session.sh");
        return nullptr;
    }
    // Destroyed at exit, which stops the server and removes its data.
    static Service shared;
    return &shared;
}

// What the calling thread has run and waited for a CPU so far, in
// milliseconds (Linux's per-thread scheduler statistics).
struct ThreadTimes {
    double runningMs = 0;
    double waitingForCPUMs = 0;

    static ThreadTimes now() {
        ThreadTimes t;
        if (FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
            unsigned long long running = 0, waiting = 0;
            if (std::fscanf(f, "%llu %llu", &running, &waiting) == 2)
                t = {running / 1e6, waiting / 1e6};
            std::fclose(f);
        }
        return t;
    }
};

// The UI thread's longest gap between two frames, split into the time it
// ran (its own work, such as a board reload) and the time it waited for a
// CPU; the rest it was blocked (on a lock, say) or idle until the frame.
struct UIThreadFigures {
    double longestStallMs = 0;
    double stallRunningMs = 0;
    double stallWaitingForCPUMs = 0;
    int boardReloads = 0;
};

// A second computer: a library of its own with an engine signed in as Bob.
struct Device {
    QTemporaryDir home;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<SyncEngine> engine;

    explicit Device(Service& s) {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        ZorviPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        SyncLedger(*store).setSyncMeta("device_id", Identifiers::make());
        auto slot = std::make_shared<MemoryTokenStore::Slot>();
        slot->token = ServiceAccounts::tokenFor(s.server, ServiceAccounts::bob);
        engine = std::make_unique<SyncEngine>(*store, s.server.url(), "bench", std::nullopt,
                                              std::make_unique<MemoryTokenStore>(slot));
    }

    // Runs one sync while the UI thread does what the app's does: draws a
    // frame every few milliseconds, and its board's Library reloads when the
    // library's change signal arrives.
    UIThreadFigures runWatchingTheUIThread() {
        UIThreadFigures figures;
        ::Library board(*store);
        QObject::connect(&board, &::Library::changed, [&] { ++figures.boardReloads; });
        QElapsedTimer gap;
        QTimer frame;
        frame.setTimerType(Qt::PreciseTimer);
        frame.setInterval(4);
        ThreadTimes before = ThreadTimes::now();
        QObject::connect(&frame, &QTimer::timeout, [&] {
            const double stall = gap.nsecsElapsed() / 1e6;
            const ThreadTimes after = ThreadTimes::now();
            if (stall > figures.longestStallMs)
                figures = {stall, after.runningMs - before.runningMs,
                           after.waitingForCPUMs - before.waitingForCPUMs, figures.boardReloads};
            before = after;
            gap.restart();
        });
        quint64 ticket = 0;
        bool done = false;
        QObject::connect(engine.get(), &SyncEngine::syncSettled, &frame, [&](quint64 served) {
            done = served >= ticket;
        });
        gap.start();
        frame.start();
        ticket = engine->requestSync();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return figures;
    }

    int liveCaptures() {
        int count = 0;
        for (int n : store->countsByStatus())
            count += n;
        return count;
    }
};

void report(benchmark::State& state, const UIThreadFigures& figures) {
    state.counters["ui_stall_ms"] = figures.longestStallMs;
    state.counters["ui_stall_running_ms"] = figures.stallRunningMs;
    state.counters["ui_stall_cpu_wait_ms"] = figures.stallWaitingForCPUMs;
    state.counters["board_reloads"] = figures.boardReloads;
}

void BM_FirstPullOf10000Captures(benchmark::State& state) {
    app();
    Service* s = service(state);
    if (!s)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        Device device(*s);
        state.ResumeTiming();
        const UIThreadFigures figures = device.runWatchingTheUIThread();
        state.PauseTiming();
        const int pulled = device.liveCaptures();
        state.counters["captures"] = pulled;
        report(state, figures);
        if (pulled != workspaceCaptures)
            state.SkipWithError(("one run pulled " + std::to_string(pulled) + " captures, not all").c_str());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstPullOf10000Captures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Push1000Edits(benchmark::State& state) {
    app();
    Service* s = service(state);
    if (!s)
        return;
    for (auto _ : state) {
        state.PauseTiming();
        Device device(*s);
        device.runWatchingTheUIThread(); // the first pull
        CaptureQuery firstPage;
        firstPage.limit = pushedEdits;
        for (Capture& c : device.store->captures(firstPage)) {
            c.note += " (edited)";
            device.store->update(c);
        }
        const auto pendingBefore = SyncLedger(*device.store).pending("captures", 2 * pushedEdits).size();
        state.ResumeTiming();
        const UIThreadFigures figures = device.runWatchingTheUIThread();
        state.PauseTiming();
        const auto pendingAfter = SyncLedger(*device.store).pending("captures", 2 * pushedEdits).size();
        state.counters["pushed"] = double(pendingBefore - pendingAfter);
        report(state, figures);
        if (pendingBefore != size_t(pushedEdits) || pendingAfter != 0)
            state.SkipWithError(("pushed " + std::to_string(pendingBefore - pendingAfter) + " of " +
                                 std::to_string(pendingBefore) + " edits")
                                    .c_str());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Push1000Edits)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
