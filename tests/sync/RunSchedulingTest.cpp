// Runs asked for while another is under way are coalesced into one more run;
// what the status line shows and when a caller hears back must say so.
#include "EngineFixture.h"
#include "MemoryTokenStore.h"

#include "sync/SyncEngine.h"

#include <QSemaphore>

using RunScheduling = EngineFixture;

TEST_F(RunScheduling, ARunQueuedBehindAnotherShowsNoIdleUntilTheLastOneEnds) {
    tokens->token = ServiceAccounts::tokenFor(server, ServiceAccounts::bob);
    SyncEngine engine(*store, server.url(), "test", std::nullopt, std::make_unique<MemoryTokenStore>(tokens));
    QObject here;
    std::vector<SyncStatus> seen;
    std::vector<quint64> settled;
    QObject::connect(&engine, &SyncEngine::statusChanged, &here, [&](const SyncStatus& s) { seen.push_back(s); });
    QObject::connect(&engine, &SyncEngine::syncSettled, &here, [&](quint64 served) {
        settled.push_back(served);
        EXPECT_EQ(engine.currentStatus().kind, SyncStatus::Kind::idle) << "heard back before the run ended";
    });

    // The engine reads its token as soon as it exists, so that first status
    // may come before the connection above: the engine is asked, not heard.
    ASSERT_TRUE(processEventsUntil([&] { return engine.currentStatus().kind == SyncStatus::Kind::idle; }, 20'000))
        << "the token was never read";

    // The engine's thread is held until both requests wait in its queue, so
    // the second arrives while the first run waits on the service.
    QSemaphore go;
    QMetaObject::invokeMethod(&engine, [&go] { go.acquire(); }, Qt::QueuedConnection);
    engine.requestSync();
    const quint64 last = engine.requestSync();
    go.release();
    ASSERT_TRUE(processEventsUntil([&] { return !settled.empty() && settled.back() >= last; }, 60'000));

    // Leading idles are the signed-in status arriving late, before any run.
    std::vector<SyncStatus::Kind> kinds;
    for (const SyncStatus& s : seen)
        if (!kinds.empty() || s.kind != SyncStatus::Kind::idle)
            kinds.push_back(s.kind);
    EXPECT_EQ(kinds, (std::vector{SyncStatus::Kind::syncing, SyncStatus::Kind::idle}));
    EXPECT_EQ(settled, std::vector{last}) << "the first request was answered before the run queued behind it";
    EXPECT_TRUE(store->syncMeta("last_sync"));
}

TEST_F(RunScheduling, ARequestWhileSignedOutIsAnsweredAtOnce) {
    SyncEngine engine(*store, server.url(), "test", std::nullopt, std::make_unique<MemoryTokenStore>(tokens));
    QObject here;
    quint64 served = 0;
    QObject::connect(&engine, &SyncEngine::syncSettled, &here, [&](quint64 ticket) { served = ticket; });
    const quint64 ticket = engine.requestSync();
    ASSERT_TRUE(processEventsUntil([&] { return served >= ticket; }, 20'000));
    EXPECT_EQ(engine.currentStatus().kind, SyncStatus::Kind::signedOut);
}
