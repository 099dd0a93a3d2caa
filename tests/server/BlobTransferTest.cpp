#include "ServiceFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>

namespace {

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QJsonObject imageRow(const QString& id, const QString& capture, const QString& sha) {
    return {{"table", "capture_images"},
            {"id", id},
            {"patch", QJsonObject{{"capture_id", capture}, {"position", 0}, {"original_sha256", sha},
                                  {"width", 4}, {"height", 3}, {"bytes", 20}}}};
}

} // namespace

// Screenshot files on every store: the data folder, and an S3 bucket the
// clients upload to and download from directly.
class BlobTransfer : public ServiceFixture {
protected:
    bool direct() const { return GetParam() == Backend::postgresqlWithS3; }

    // Files kept as present, wherever the service keeps them.
    int storedBlobs() const {
        if (direct())
            return S3TestServer::shared()->objectCount(bucket_, "blobs");
        int n = 0;
        for (QDirIterator it(server_->dataDirectory() + "/blobs", QDir::Files, QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++n;
        return n;
    }
};

ON_EVERY_BLOB_STORE(BlobTransfer);

TEST_P(BlobTransfer, BlobsAreVerifiedOnArrivalAndImagesWaitForThem) {
    ServiceClient ann = clientFor("ann@acme.test");
    const QByteArray png("\x89PNG\r\n\x1a\nfour-by-three", 21);
    const QString sha = sha256(png);
    const QJsonObject intent{{"workspace_id", acme_}, {"sha256", sha}, {"bytes", png.size()}, {"content_type", "image/png"}};

    // An image whose capture has not arrived, or whose file has not, is
    // refused with a retry.
    auto early = ann.sync("ann-laptop", 0, {imageRow("img-1", "cap-1", sha)});
    EXPECT_EQ(early.json.value("results").toArray()[0].toObject().value("retry").toBool(), true);
    auto noFile = ann.sync("ann-laptop", 0, {newCapture("cap-1", acme_, "with image"), imageRow("img-1", "cap-1", sha)});
    const QJsonObject imageVerdict = noFile.json.value("results").toArray()[1].toObject();
    EXPECT_EQ(imageVerdict.value("status").toString(), "rejected");
    EXPECT_TRUE(imageVerdict.value("retry").toBool());

    auto upload = ann.post("/v1/uploads", intent);
    ASSERT_EQ(upload.status, 200) << upload.body;
    EXPECT_EQ(upload.json.value("method").toString(), "PUT");
    EXPECT_EQ(upload.json.value("headers").toObject().value("Content-Type").toString(), "image/png");
    const QString putUrl = upload.json.value("url").toString();
    // Uploads go straight to the store, never through the service.
    EXPECT_TRUE(putUrl.startsWith(direct() ? S3TestServer::shared()->endpoint() : url())) << putUrl.toStdString();

    // Bytes that are not what the hash names are refused and not kept: by
    // the service as they arrive, or when told a direct upload is complete.
    QByteArray tampered = png;
    tampered[12] = 'X';
    auto wrong = ann.put(putUrl, tampered);
    if (direct()) {
        EXPECT_EQ(wrong.status, 200) << wrong.body;
        wrong = ann.post("/v1/uploads/complete", intent);
    }
    EXPECT_EQ(wrong.status, 400);
    EXPECT_EQ(wrong.json.value("error").toObject().value("code").toString(), "hash_mismatch");
    EXPECT_EQ(storedBlobs(), 0);
    EXPECT_EQ(ann.post("/v1/uploads/complete", intent).status, 409);

    EXPECT_EQ(ann.put(putUrl, png).status, direct() ? 200 : 201);
    EXPECT_EQ(ann.post("/v1/uploads/complete", intent).status, 200);
    EXPECT_EQ(storedBlobs(), 1);
    EXPECT_EQ(ann.post("/v1/uploads", intent).json.value("status").toString(), "exists");

    auto pushed = ann.sync("ann-laptop", 0, {imageRow("img-1", "cap-1", sha)});
    EXPECT_EQ(pushed.json.value("results").toArray()[0].toObject().value("status").toString(), "applied");

    ServiceClient bob = clientFor("bob@acme.test");
    auto address = bob.get("/v1/blobs/" + acme_ + "/" + sha);
    ASSERT_EQ(address.status, 200);
    if (direct()) {
        EXPECT_TRUE(address.json.value("url").toString().startsWith(S3TestServer::shared()->endpoint()));
    }
    EXPECT_EQ(QByteArray::fromStdString(bob.fetch(address.json.value("url").toString()).body), png);

    // The same bytes in another workspace are that workspace's to upload.
    ServiceClient cat = clientFor("cat@globex.test");
    QJsonObject elsewhere = intent;
    elsewhere["workspace_id"] = globex_;
    EXPECT_EQ(cat.post("/v1/uploads", elsewhere).json.value("status").toString(), "upload");

    // Switched off: the documented error code, nothing handed out.
    ASSERT_TRUE(server_->setUploads("acme", false));
    QJsonObject other = intent;
    other["sha256"] = sha256("another file");
    auto disabled = ann.post("/v1/uploads", other);
    EXPECT_EQ(disabled.status, 403);
    EXPECT_EQ(disabled.json.value("error").toObject().value("code").toString(), "uploads_disabled");
    EXPECT_EQ(disabled.json.value("error").toObject().value("message").toString(),
              "Screenshot uploads are switched off on this server.");
}
