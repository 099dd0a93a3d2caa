// A screenshot whose files change while its row is on its way to the service,
// and one whose file on disk no longer matches the hash on record: either way
// the file's hash reaches the service, or teammates never see the new file.
#include "MisbehavingServer.h"
#include "ScreenshotFile.h"

#include "support/QtEventLoop.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "capture/AttachmentService.h"
#include "markup/Annotation.h"
#include "store/RemoteApplier.h"
#include "sync/BlobTransfer.h"
#include "sync/ContentHash.h"
#include "sync/SyncClient.h"
#include "sync/SyncCycle.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <mutex>

namespace {

QByteArray screenshotPng() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A service that takes every change and keeps what it was sent; a test may
// act while a request is on its way, before the service answers.
class RecordingService {
public:
    RecordingService() {
        server_.answer("/v1/uploads", 200, R"({"status":"exists"})");
        server_.http().Post("/v1/sync", [this](const httplib::Request& req, httplib::Response& res) {
            const QJsonArray changes = QJsonDocument::fromJson(QByteArray::fromStdString(req.body))["changes"].toArray();
            QJsonArray results;
            std::lock_guard guard(lock_);
            for (const QJsonValue& change : changes) {
                received_.append(change.toObject());
                results.append(QJsonObject{{"id", change["id"]}, {"status", "applied"}, {"version", ++version_}});
            }
            if (whileOnItsWay) {
                whileOnItsWay();
                whileOnItsWay = nullptr;
            }
            const QJsonObject reply{{"cursor", version_}, {"changes", QJsonArray()}, {"results", results}};
            res.set_content(QJsonDocument(reply).toJson().toStdString(), "application/json");
        });
    }
    QUrl url() const { return server_.url(); }
    // The patch of the last change sent for this row.
    QJsonObject lastPatch(const QString& id) {
        std::lock_guard guard(lock_);
        for (auto it = received_.crbegin(); it != received_.crend(); ++it)
            if (it->value("id") == id)
                return it->value("patch").toObject();
        return {};
    }
    std::function<void()> whileOnItsWay;

private:
    MisbehavingServer server_;
    std::mutex lock_;
    QList<QJsonObject> received_;
    qint64 version_ = 0;
};

class InFlightScreenshot : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        qputenv("ZORVI_HOME", home.path().toUtf8());
        ZorviPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        RemoteApplier(*store).applyRemoteCapture(QJsonObject{{"id", captureID}, {"workspace_id", "ws1"},
                                                             {"note", "shared"}, {"status", "open"},
                                                             {"priority", "normal"}, {"version", 1},
                                                             {"created_at", "2024-05-01T12:00:00.000Z"}});
        client = std::make_unique<SyncClient>(service.url(), QStringLiteral("token"));
        blobs = std::make_unique<BlobTransfer>(*store, *client);
        cycle = std::make_unique<SyncCycle>(*store, *client, *blobs);
    }
    QString thumbHash(const QString& imageID) {
        QFile thumb(*store->image(imageID)->thumbFile());
        return thumb.open(QIODevice::ReadOnly) ? ContentHash::sha256(thumb.readAll()) : QString();
    }

    const QString captureID = QStringLiteral("cap-1");
    TempDir home;
    std::unique_ptr<CaptureStore> store;
    RecordingService service;
    std::unique_ptr<SyncClient> client;
    std::unique_ptr<BlobTransfer> blobs;
    std::unique_ptr<SyncCycle> cycle;
};

TEST_F(InFlightScreenshot, AThumbnailWrittenWhileTheNewRowIsSentGoesWithTheNextExchange) {
    const CaptureImage image = addScreenshotFile(*store, captureID, screenshotPng());
    // The editor, on another connection, clears the marks as the row goes
    // out: the screenshot gets its first thumbnail.
    service.whileOnItsWay = [&] {
        CaptureStore editor(ZorviPaths::databaseFile());
        AttachmentService().saveAnnotation({}, *editor.image(image.id), editor);
    };
    cycle->run();
    ASSERT_TRUE(store->image(image.id)->thumbPath) << "the edit made no thumbnail";
    EXPECT_EQ(service.lastPatch(image.id).value("thumb_sha256"), QJsonValue::Null) << "the row went before the edit";

    cycle->run();
    EXPECT_EQ(service.lastPatch(image.id).value("thumb_sha256").toString(), thumbHash(image.id));
}

TEST_F(InFlightScreenshot, AHashFoundNewWhenAnotherFieldIsSentGoesAlong) {
    const CaptureImage image = addScreenshotFile(*store, captureID, screenshotPng());
    cycle->run();
    // A thumbnail on disk whose hash was never taken, with nothing pending:
    // what a library synced before such edits were caught may hold.
    AttachmentService().saveAnnotation({}, *store->image(image.id), *store);
    SyncLedger(*store).markSynced("capture_images", image.id, std::nullopt);
    ASSERT_FALSE(store->image(image.id)->thumbSHA256);

    CaptureImage moved = *store->image(image.id);
    moved.position = 3;
    store->updateImage(moved);
    cycle->run();
    const QJsonObject patch = service.lastPatch(image.id);
    EXPECT_EQ(patch.value("position").toInt(), 3);
    EXPECT_EQ(patch.value("thumb_sha256").toString(), thumbHash(image.id));
}

} // namespace
