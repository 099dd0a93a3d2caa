// Two zorvi-server instances on one PostgreSQL database (ZORVI_BENCH_DATABASE,
// an empty one), over real HTTP on loopback: 50 devices push new captures
// concurrently for ZORVI_BENCH_SECONDS (default 60), half through each
// instance. Reports requests per second, the 99th-percentile latency, failed
// requests, and pushed captures missing or present more than once when a
// reader pulls everything afterwards.

#include "common/Identifiers.h"
#include "http/ApiServer.h"
#include "security/Secrets.h"
#include "storage/DataFolder.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr int devices = 50;
constexpr int capturesPerPush = 5;

struct Instance {
    Instance(const QString& data, const StorageOptions& storage)
        : server(data, ServiceConfig{}, std::nullopt, storage), port(server.bind("127.0.0.1", 0)),
          thread([this] { server.run(); }) {}
    ~Instance() {
        server.stop();
        thread.join();
    }
    ApiServer server;
    int port;
    std::thread thread;
};

QJsonObject postJson(httplib::Client& c, const QJsonObject& body, int* status) {
    auto reply = c.Post("/v1/sync", QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), "application/json");
    *status = reply ? reply->status : 0;
    return reply ? QJsonDocument::fromJson(QByteArray::fromStdString(reply->body)).object() : QJsonObject();
}

void BM_FiftyDevicesPushThroughTwoInstances(benchmark::State& state) {
    StorageOptions storage;
    storage.databaseUrl = qEnvironmentVariable("ZORVI_BENCH_DATABASE");
    if (storage.databaseUrl.isEmpty()) {
        state.SkipWithError("set ZORVI_BENCH_DATABASE to an empty PostgreSQL database");
        return;
    }
    const int seconds = qEnvironmentVariableIntValue("ZORVI_BENCH_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("ZORVI_BENCH_SECONDS")
                            : 60;
    QTemporaryDir dir;
    const QString workspace = Identifiers::make();
    std::vector<QString> tokens;
    {
        DataFolder folder(dir.path() + "/one", storage);
        AccountStore& accounts = folder.accounts();
        accounts.createWorkspace({workspace, "load", "Load", false});
        for (int i = 0; i <= devices; ++i) { // the last one reads
            const UserRecord user{Identifiers::make(), Identifiers::make() + "@bench.test", "Bench", "x"};
            accounts.createUser(user);
            accounts.setMember(workspace, user.id, "member");
            tokens.push_back(Secrets::randomHex(32));
            accounts.storeAccessToken(Secrets::sha256Hex(tokens.back().toLatin1()), user.id);
        }
    }
    Instance one(dir.path() + "/one", storage), two(dir.path() + "/two", storage);

    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::atomic<long> errors{0};
        std::mutex lock;
        std::vector<double> latenciesMs;
        std::map<QString, int> pushed; // capture id → times the service said applied
        std::vector<std::thread> threads;
        const auto started = std::chrono::steady_clock::now();
        for (int d = 0; d < devices; ++d)
            threads.emplace_back([&, d] {
                httplib::Client c("127.0.0.1", d % 2 ? two.port : one.port);
                c.set_default_headers({{"Authorization", "Bearer " + tokens[std::size_t(d)].toStdString()}});
                c.set_read_timeout(60);
                c.set_keep_alive(true);
                std::vector<double> mine;
                std::vector<QString> applied;
                qint64 cursor = 0;
                while (!stop) {
                    QJsonArray changes;
                    for (int i = 0; i < capturesPerPush; ++i)
                        changes.append(QJsonObject{
                            {"table", "captures"}, {"id", Identifiers::make()}, {"base_version", 0},
                            {"patch", QJsonObject{{"workspace_id", workspace}, {"note", "load"}, {"status", "open"},
                                                  {"priority", "normal"}, {"capture_mode", "region"},
                                                  {"created_at", "2026-01-02T03:04:05.678Z"}}}});
                    const auto t0 = std::chrono::steady_clock::now();
                    int status = 0;
                    const QJsonObject reply = postJson(
                        c, {{"device_id", QString("load-%1").arg(d)}, {"cursor", cursor}, {"changes", changes}}, &status);
                    mine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
                    if (status != 200) {
                        ++errors;
                        continue;
                    }
                    cursor = reply.value("cursor").toInteger();
                    for (const QJsonValue& r : reply.value("results").toArray()) {
                        if (r["status"].toString() == "applied")
                            applied.push_back(r["id"].toString());
                        else
                            ++errors;
                    }
                }
                std::lock_guard guard(lock);
                latenciesMs.insert(latenciesMs.end(), mine.begin(), mine.end());
                for (const QString& id : applied)
                    ++pushed[id];
            });
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        stop = true;
        for (std::thread& t : threads)
            t.join();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        // Everything pushed, read back through the instance half the devices did not use.
        std::map<QString, int> present;
        httplib::Client reader("127.0.0.1", two.port);
        reader.set_default_headers({{"Authorization", "Bearer " + tokens.back().toStdString()}});
        reader.set_read_timeout(120);
        qint64 cursor = 0;
        for (bool more = true; more;) {
            int status = 0;
            const QJsonObject page = postJson(reader, {{"device_id", "load-reader"}, {"cursor", cursor}}, &status);
            if (status != 200) {
                state.SkipWithError("the reader's pull failed");
                return;
            }
            for (const QJsonValue& change : page.value("changes").toArray())
                if (change["table"].toString() == "captures")
                    ++present[change["row"]["id"].toString()];
            cursor = page.value("cursor").toInteger();
            more = page.value("more").toBool();
        }
        long lost = 0, doubled = 0;
        for (const auto& [id, times] : pushed) {
            doubled += times > 1;
            const auto found = present.find(id);
            lost += found == present.end();
            doubled += found != present.end() && found->second > 1;
        }
        std::sort(latenciesMs.begin(), latenciesMs.end());
        state.counters["requests_per_s"] = double(latenciesMs.size()) / elapsed;
        state.counters["p99_ms"] = latenciesMs.empty() ? 0 : latenciesMs[latenciesMs.size() * 99 / 100];
        state.counters["errors"] = double(errors);
        state.counters["pushed"] = double(pushed.size());
        state.counters["lost"] = double(lost);
        state.counters["doubled"] = double(doubled);
    }
}
BENCHMARK(BM_FiftyDevicesPushThroughTwoInstances)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
