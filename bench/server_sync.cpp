// zorvi-server over real HTTP on loopback: a sync push of 500 changes, a pull
// of 10,000 captures page by page, and the upload and download of a 4K PNG
// through signed storage addresses.

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
#include <thread>

namespace {

// The rows in SQLite, or in the PostgreSQL database ZORVI_BENCH_DATABASE names
// (an empty one), to compare the two in the same run.
StorageOptions storage() {
    return {qEnvironmentVariable("ZORVI_BENCH_DATABASE")};
}

// One service for the whole run. The writer pushes into its own workspace;
// the reader shares only the pull workspace, which holds 10,000 captures.
class Service {
public:
    static Service& get() {
        static Service service;
        return service;
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

private:
    Service() {
        const QString data = dir_.path() + "/data";
        {
            DataFolder folder(data, storage());
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
        server_ = std::make_unique<ApiServer>(data, ServiceConfig{}, std::nullopt, storage());
        port_ = server_->bind("127.0.0.1", 0);
        thread_ = std::thread([this] { server_->run(); });
    }
    ~Service() {
        server_->stop();
        thread_.join();
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
    Service& s = Service::get();
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
BENCHMARK(BM_SyncPushOf500Changes)->Unit(benchmark::kMillisecond);

void BM_SyncPullOf10000CapturesByPages(benchmark::State& state) {
    Service& s = Service::get();
    static const bool seeded = [&] {
        auto writer = s.client(s.writerToken);
        for (int i = 0; i < 20; ++i)
            post(writer, "/v1/sync",
                 {{"device_id", "bench-seeder"}, {"cursor", 0}, {"changes", newCaptures(s.pullWorkspace, 500)}});
        return true;
    }();
    (void)seeded;
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
BENCHMARK(BM_SyncPullOf10000CapturesByPages)->Unit(benchmark::kMillisecond);

std::string pathOf(const QString& url) {
    const QUrl u(url);
    return (u.path() + '?' + u.query(QUrl::FullyEncoded)).toStdString();
}

QByteArray benchPng() {
    QFile file(QDir(ZORVI_BENCH_DATA_DIR).filePath("screenshot-ui-with-photo-3840x2160.png"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void BM_BlobUploadAndDownloadOf4kPng(benchmark::State& state) {
    const QByteArray png = benchPng();
    if (png.isEmpty()) {
        std::printf("bench-data not found beside the repository: skipping the 4K blob benchmark\n");
        state.SkipWithError("no bench-data");
        return;
    }
    Service& s = Service::get();
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
        httplib::Client storage("127.0.0.1", s.port());
        auto put = storage.Put(pathOf(upload.value("url").toString()), bytes.toStdString(), "image/png");
        if (!put || put->status != 201)
            state.SkipWithError("upload refused");
        post(c, "/v1/uploads/complete", intent);

        auto address = c.Get(("/v1/blobs/" + s.workspace + "/" + sha).toStdString());
        const QString url = QJsonDocument::fromJson(QByteArray::fromStdString(address->body)).object().value("url").toString();
        auto fetched = storage.Get(pathOf(url));
        if (!fetched || Secrets::sha256Hex(QByteArray::fromStdString(fetched->body)) != sha)
            state.SkipWithError("download did not verify");
    }
    state.SetBytesProcessed(state.iterations() * png.size() * 2);
    state.counters["png_MB"] = double(png.size()) / 1e6;
}
BENCHMARK(BM_BlobUploadAndDownloadOf4kPng)->Unit(benchmark::kMillisecond);

} // namespace
