// The library's share of a sync cycle: applying a page of pulled rows and
// building the change objects of the rows waiting to be pushed.
#include "LibraryGenerator.h"

#include "common/Wire.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr int pageSize = 500;

GeneratedLibrary& library() {
    static GeneratedLibrary lib(10000);
    static const bool shared = [] {
        lib.sql->execute("UPDATE captures SET workspace_id = 'ws-1', sync_state = 'synced';");
        return true;
    }();
    (void)shared;
    return lib;
}

// Half the page updates captures the library has, half brings new ones.
std::vector<QJsonObject> pulledPage(int round) {
    std::vector<QJsonObject> rows;
    for (int i = 0; i < pageSize; ++i) {
        const bool existing = i % 2 == 0;
        const QString id = existing ? QString::asprintf("%08x-0000-4000-8000-%012x", i + 1, i + 1)
                                    : QString::asprintf("new-%d-%d", round, i);
        rows.push_back(QJsonObject{{"id", id},
                                   {"workspace_id", "ws-1"},
                                   {"note", QString("Remote note %1\nwith a body").arg(i)},
                                   {"status", "in_progress"},
                                   {"priority", "high"},
                                   {"app_name", "Firefox"},
                                   {"display_scale", 2},
                                   {"version", round + 1},
                                   {"tags", QJsonArray{"ui", "regression"}},
                                   {"created_at", "2024-05-01T12:34:56.789Z"},
                                   {"updated_at", qint64(1714566896000) + i}});
    }
    return rows;
}

void BM_ApplyPulledCapturePage(benchmark::State& state) {
    CaptureStore& store = *library().store;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::vector<QJsonObject> rows = pulledPage(round++);
        state.ResumeTiming();
        for (const QJsonObject& row : rows)
            RemoteApplier(store).applyRemoteCapture(row);
    }
    state.SetItemsProcessed(state.iterations() * pageSize);
}
BENCHMARK(BM_ApplyPulledCapturePage)->Unit(benchmark::kMillisecond);

void BM_BuildPushPage(benchmark::State& state) {
    CaptureStore& store = *library().store;
    library().sql->execute("UPDATE captures SET sync_state = 'pendingPush', pending = '{\"note\":true,\"tags\":true}' "
                           "WHERE rowid % 20 = 0;");
    for (auto _ : state) {
        QJsonArray changes;
        for (const Pending& p : SyncLedger(store).pending("captures", pageSize))
            if (auto change = SyncLedger(store).captureChange(p))
                changes.append(*change);
        benchmark::DoNotOptimize(QJsonDocument(changes).toJson(QJsonDocument::Compact));
    }
    state.SetItemsProcessed(state.iterations() * pageSize);
}
BENCHMARK(BM_BuildPushPage)->Unit(benchmark::kMillisecond);

void BM_WireDateText(benchmark::State& state) {
    const QJsonValue text("2024-05-01T12:34:56.789+02:00");
    for (auto _ : state)
        benchmark::DoNotOptimize(Wire::date(text));
}
BENCHMARK(BM_WireDateText)->Unit(benchmark::kNanosecond);

} // namespace
