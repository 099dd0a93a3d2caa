// The sync engine against a real zorvi-server on loopback: the first pull of
// a large workspace and a push of many edits, each with the longest stall of
// the UI thread while it happens (the UI thread keeps reading the library the
// way the board does, so lock contention with the engine counts too).
#include "sync/MemoryTokenStore.h"
#include "sync/ServiceAccounts.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "sync/SyncEngine.h"
#include "sync/Wire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <iostream>

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

Service* service() {
    if (!ZorviServer::available())
        return nullptr;
    static Service* shared = new Service();
    return shared;
}

// A library of its own with an engine signed in as Bob.
struct Library {
    QTemporaryDir home;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<SyncEngine> engine;

    explicit Library(Service& s) {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        ZorviPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseURL());
        store->setSyncMeta("device_id", Identifiers::make());
        auto slot = std::make_shared<MemoryTokenStore::Slot>();
        slot->token = ServiceAccounts::tokenFor(s.server, ServiceAccounts::bob);
        engine = std::make_unique<SyncEngine>(*store, s.server.url(), "bench", std::nullopt,
                                              std::make_unique<MemoryTokenStore>(slot));
    }

    // Runs one sync while the UI thread reads the library every 16 ms;
    // returns the UI thread's longest gap between events, in milliseconds.
    double runWatchingTheUIThread() {
        QElapsedTimer gap;
        double longest = 0;
        QTimer frame;
        frame.setInterval(1);
        QObject::connect(&frame, &QTimer::timeout, [&] {
            longest = std::max(longest, gap.nsecsElapsed() / 1e6);
            gap.restart();
        });
        QTimer board;
        board.setInterval(16);
        QObject::connect(&board, &QTimer::timeout, [&] { store->changeStamp(); });
        bool started = false, done = false;
        QObject::connect(engine.get(), &SyncEngine::statusChanged, &frame, [&](const SyncStatus& s) {
            if (s.kind == SyncStatus::Kind::syncing)
                started = true;
            else if (started)
                done = true;
        });
        gap.start();
        frame.start();
        board.start();
        QMetaObject::invokeMethod(engine.get(), [e = engine.get()] { e->syncNow(); }, Qt::QueuedConnection);
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return longest;
    }
};

void BM_FirstPullOf10000Captures(benchmark::State& state) {
    app();
    Service* s = service();
    if (!s) {
        state.SkipWithError("zorvi-server is not built");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        Library library(*s);
        state.ResumeTiming();
        const double stall = library.runWatchingTheUIThread();
        state.PauseTiming();
        state.counters["captures"] = double(library.store->captures(CaptureQuery{}).size());
        state.counters["ui_stall_ms"] = stall;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstPullOf10000Captures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Push1000Edits(benchmark::State& state) {
    app();
    Service* s = service();
    if (!s) {
        state.SkipWithError("zorvi-server is not built");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        Library library(*s);
        library.runWatchingTheUIThread(); // the first pull
        std::vector<Capture> captures = library.store->captures(CaptureQuery{});
        captures.resize(std::min<size_t>(captures.size(), pushedEdits));
        for (Capture& c : captures) {
            c.note += " (edited)";
            library.store->update(c);
        }
        state.ResumeTiming();
        const double stall = library.runWatchingTheUIThread();
        state.PauseTiming();
        state.counters["pending_after"] = double(library.store->pending("captures", 100000).size());
        state.counters["ui_stall_ms"] = stall;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Push1000Edits)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
