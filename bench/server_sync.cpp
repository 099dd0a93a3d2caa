// zorvi-server over real HTTP on loopback: a sync push of 500 changes and of
// 1,000 edits, a pull of 10,000 captures page by page, and the upload and
// download of a 4K PNG through signed storage addresses. Each runs on SQLite
// and the folder (argument 0) and, in the same run, on the PostgreSQL database
// ZORVI_BENCH_DATABASE names (argument 1; an empty database), with the
// screenshots in the bucket of ZORVI_BENCH_BLOBS (s3://BUCKET) at
// ZORVI_BENCH_S3_ENDPOINT when those are set, credentials from AWS_*.

#include "common/Identifiers.h"
#include "http/ApiServer.h"
#include "security/Secrets.h"
#include "storage/DataFolder.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <map>
#include <memory>
#include <thread>

namespace {

constexpr int onSqlite = 0;

StorageOptions storage(int backend) {
    StorageOptions options;
    if (backend != onSqlite) {
        options.databaseUrl = qEnvironmentVariable("ZORVI_BENCH_DATABASE");
        options.blobsUrl = qEnvironmentVariable("ZORVI_BENCH_BLOBS");
        options.s3Endpoint = qEnvironmentVariable("ZORVI_BENCH_S3_ENDPOINT");
    }
    return options;
}

// One service per backend for the whole run. The writer pushes into its own
// workspace; the reader shares only the pull workspace, which holds 10,000 captures.
class Service {
public:
    // Null when the backend is not configured.
    static Service* get(benchmark::State& state) {
        static std::map<int, std::unique_ptr<Service>> services;
        const int backend = int(state.range(0));
        if (backend != onSqlite && qEnvironmentVariableIsEmpty("ZORVI_BENCH_DATABASE")) {
            state.SkipWithError("set ZORVI_BENCH_DATABASE to an empty PostgreSQL database");
            return nullptr;
        }
        auto& service = services[backend];
        if (!service)
            service.reset(new Service(backend));
        return service.get();
    }
    ~Service() {
        server_->stop();
        thread_.join();
    }

    httplib::Client client(const QString& token) {
        httplib::Client c("127.0.0.1", port_);
        c.set_default_headers({{"Authorization", "Bearer " + token.toStdString()}});
        c.set_read_timeout(120);
        c.set_keep_alive(true);
        return c;
    }

    int port() const { return port_; }

    QString workspace;     // the writer's alone
    QString pullWorkspace; // the writer's and the reader's
    QString writerToken = Secrets::randomHex(32);
    QString readerToken = Secrets::randomHex(32);
    bool pullSeeded = false;
    std::vector<std::pair<QString, qint64>> editable; // capture id, version

private:
    explicit Service(int backend) {
        const QString data = dir_.path() + "/data";
        {
            DataFolder folder(data, storage(backend));
            AccountStore& accounts = folder.accounts();
            workspace = Identifiers::make();
            pullWorkspace = Identifiers::make();
            accounts.createWorkspace({workspace, "bench", "Bench", false});
            accounts.createWorkspace({pullWorkspace, "pull", "Pull", false});
            for (const QString& token : {writerToken, readerToken}) {
                const UserRecord user{Identifiers::make(), Identifiers::make() + "@bench.test", "Bench", "x"};
                accounts.createUser(user);
                if (token == writerToken)
                    accounts.setMember(workspace, user.id, "member");
                accounts.setMember(pullWorkspace, user.id, "member");
                accounts.storeAccessToken(Secrets::sha256Hex(token.toLatin1()), user.id);
            }
        }
        server_ = std::make_unique<ApiServer>(data, ServiceConfig{}, std::nullopt, storage(backend));
        port_ = server_->bind("127.0.0.1", 0);
        thread_ = std::thread([this] { server_->run(); });
    }

    QTemporaryDir dir_;
    std::unique_ptr<ApiServer> server_;
    int port_ = 0;
    std::thread thread_;
};

QJsonObject post(httplib::Client& c, const char* path, const QJsonObject& body) {
    auto reply = c.Post(path, QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), "application/json");
    if (!reply || reply->status != 200)
        throw std::runtime_error(std::string(path) + " failed: " + (reply ? reply->body : "no reply"));
    return QJsonDocument::fromJson(QByteArray::fromStdString(reply->body)).object();
}

QJsonArray newCaptures(const QString& workspace, int count) {
    QJsonArray changes;
    for (int i = 0; i < count; ++i)
        changes.append(QJsonObject{
            {"table", "captures"},
            {"id", Identifiers::make()},
            {"base_version", 0},
            {"patch", QJsonObject{{"workspace_id", workspace}, {"note", "The save button is clipped at 125% scale"},
                                  {"status", "open"}, {"priority", "normal"}, {"tags", QJsonArray{"ui", "settings"}},
                                  {"app_name", "Firefox"}, {"window_title", "Settings — Example"},
                                  {"capture_mode", "region"}, {"display_scale", 2},
                                  {"created_at", "2026-01-02T03:04:05.678Z"}}}});
    return changes;
}

void BM_SyncPushOf500Changes(benchmark::State& state) {
    Service* service = Service::get(state);
    if (!service)
        return;
    Service& s = *service;
    auto c = s.client(s.writerToken);
    for (auto _ : state) {
        state.PauseTiming();
        const QJsonArray changes = newCaptures(s.workspace, 500);
        state.ResumeTiming();
        const QJsonObject reply = post(c, "/v1/sync", {{"device_id", "bench-writer"}, {"cursor", 0}, {"changes", changes}});
        if (reply.value("results").toArray().size() != 500)
            state.SkipWithError("not every change got a verdict");
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_SyncPushOf500Changes)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 1,000 edits of existing captures, in two requests of 500, each based on
// the version the service last answered.
void BM_SyncPushOf1000Edits(benchmark::State& state) {
    Service* service = Service::get(state);
    if (!service)
        return;
    Service& s = *service;
    auto c = s.client(s.writerToken);
    if (s.editable.empty())
        for (int i = 0; i < 2; ++i) {
            const QJsonArray created = newCaptures(s.workspace, 500);
            const QJsonObject reply = post(c, "/v1/sync", {{"device_id", "bench-editor"}, {"cursor", 0}, {"changes", created}});
            for (const QJsonValue& r : reply.value("results").toArray())
                s.editable.emplace_back(r["id"].toString(), r["version"].toInteger());
        }
    static int round = 0;
    for (auto _ : state) {
        ++round;
        for (std::size_t first = 0; first < s.editable.size(); first += 500) {
            state.PauseTiming();
            QJsonArray edits;
            for (std::size_t i = first; i < first + 500; ++i)
                edits.append(QJsonObject{{"table", "captures"},
                                         {"id", s.editable[i].first},
                                         {"base_version", s.editable[i].second},
                                         {"patch", QJsonObject{{"note", QString("edit %1").arg(round)}}}});
            state.ResumeTiming();
            const QJsonObject reply = post(c, "/v1/sync", {{"device_id", "bench-editor"}, {"cursor", 0}, {"changes", edits}});
            const QJsonArray results = reply.value("results").toArray();
            for (qsizetype i = 0; i < results.size(); ++i) {
                if (results[i]["status"].toString() != "applied")
                    state.SkipWithError("an edit was not applied");
                s.editable[first + std::size_t(i)].second = results[i]["version"].toInteger();
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SyncPushOf1000Edits)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SyncPullOf10000CapturesByPages(benchmark::State& state) {
    Service* service = Service::get(state);
    if (!service)
        return;
    Service& s = *service;
    if (!s.pullSeeded) {
        auto writer = s.client(s.writerToken);
        for (int i = 0; i < 20; ++i)
            post(writer, "/v1/sync",
                 {{"device_id", "bench-seeder"}, {"cursor", 0}, {"changes", newCaptures(s.pullWorkspace, 500)}});
        s.pullSeeded = true;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto reader = s.client(s.readerToken);
        state.ResumeTiming();
        qint64 cursor = 0;
        int rows = 0, pages = 0;
        for (bool more = true; more; ++pages) {
            const QJsonObject page = post(reader, "/v1/sync", {{"device_id", "bench-reader"}, {"cursor", cursor}});
            cursor = page.value("cursor").toInteger();
            more = page.value("more").toBool();
            rows += int(page.value("changes").toArray().size());
        }
        state.counters["pages"] = pages;
        state.counters["rows"] = rows;
    }
}
BENCHMARK(BM_SyncPullOf10000CapturesByPages)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

std::string pathOf(const QString& url) {
    const QUrl u(url);
    return (u.path() + '?' + u.query(QUrl::FullyEncoded)).toStdString();
}

// The service's own storage endpoint, or the bucket's.
httplib::Client storageFor(const QString& url) {
    const QUrl u(url);
    return httplib::Client(u.host().toStdString(), u.port());
}

QByteArray benchPng() {
    // Beside the repository, or where ZORVI_BENCH_DATA_DIR says (a worktree elsewhere).
    const QString folder = qEnvironmentVariable("ZORVI_BENCH_DATA_DIR", QStringLiteral(ZORVI_BENCH_DATA_DIR));
    QFile file(QDir(folder).filePath("screenshot-ui-with-photo-3840x2160.png"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void BM_BlobUploadAndDownloadOf4kPng(benchmark::State& state) {
    const QByteArray png = benchPng();
    if (png.isEmpty()) {
        std::printf("bench-data not found beside the repository: skipping the 4K blob benchmark\n");
        state.SkipWithError("no bench-data");
        return;
    }
    Service* service = Service::get(state);
    if (!service)
        return;
    Service& s = *service;
    auto c = s.client(s.writerToken);
    static qint64 round = 0; // across runs too: each upload must be new
    for (auto _ : state) {
        // Fresh bytes every round (a trailing counter), so every upload transfers.
        QByteArray bytes = png;
        bytes.append(QByteArray::number(++round));
        const QString sha = Secrets::sha256Hex(bytes);
        const QJsonObject intent{{"workspace_id", s.workspace}, {"sha256", sha}, {"bytes", bytes.size()},
                                 {"content_type", "image/png"}};
        const QJsonObject upload = post(c, "/v1/uploads", intent);
        const QString putUrl = upload.value("url").toString();
        httplib::Client storage = storageFor(putUrl);
        auto put = storage.Put(pathOf(putUrl), bytes.toStdString(), "image/png");
        if (!put || put->status / 100 != 2)
            state.SkipWithError("upload refused");
        post(c, "/v1/uploads/complete", intent);

        auto address = c.Get(("/v1/blobs/" + s.workspace + "/" + sha).toStdString());
        const QString url = QJsonDocument::fromJson(QByteArray::fromStdString(address->body)).object().value("url").toString();
        auto fetched = storageFor(url).Get(pathOf(url));
        if (!fetched || Secrets::sha256Hex(QByteArray::fromStdString(fetched->body)) != sha)
            state.SkipWithError("download did not verify");
    }
    state.SetBytesProcessed(state.iterations() * png.size() * 2);
    state.counters["png_MB"] = double(png.size()) / 1e6;
}
BENCHMARK(BM_BlobUploadAndDownloadOf4kPng)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
