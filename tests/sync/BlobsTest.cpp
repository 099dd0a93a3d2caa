// Blob upload and verified download against a real zorvi-server.
#include "ServiceFixture.h"

#include "sync/ContentHash.h"
#include "sync/SyncError.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QFile>

namespace {

class BlobsTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        ensureQtApplication();
        ServiceAccounts::populate(server);
        server.start();
        client = std::make_unique<SyncClient>(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
        workspace = client->me().workspaces.at(0).id;
    }

    static QByteArray png() {
        QImage image(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    // The file under the server's data folder that holds exactly these bytes.
    QString storedFileOf(const QByteArray& bytes) const {
        QDirIterator it(server.dataPath(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.size() == bytes.size() && f.open(QIODevice::ReadOnly) && f.readAll() == bytes)
                return f.fileName();
        }
        return {};
    }

    ZorviServer server;
    std::unique_ptr<SyncClient> client;
    QString workspace;
};

} // namespace

TEST_F(BlobsTest, UploadsOnceAndDownloadsVerifiedBytes) {
    const QByteArray bytes = png();
    const QString sha = ContentHash::sha256(bytes);
    client->ensureUploaded(workspace, bytes, sha, "image/png");
    EXPECT_EQ(client->downloadBlob(workspace, sha), bytes);

    // Stored bytes that rot on the server's disk are never handed out as the blob...
    const QString stored = storedFileOf(bytes);
    ASSERT_FALSE(stored.isEmpty());
    QByteArray rotten = bytes;
    rotten[rotten.size() / 2] = char(rotten[rotten.size() / 2] ^ 0x5a);
    QFile file(stored);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rotten);
    file.close();
    // ...and a second upload of the same content finds it "exists", sending nothing.
    client->ensureUploaded(workspace, bytes, sha, "image/png");
    EXPECT_THROW(client->downloadBlob(workspace, sha), SyncError);
}

TEST_F(BlobsTest, UpperCaseHashesAreRefused) {
    const QByteArray bytes = png();
    const QString sha = ContentHash::sha256(bytes);
    client->ensureUploaded(workspace, bytes, sha, "image/png");
    EXPECT_THROW(client->downloadBlob(workspace, sha.toUpper()), SyncError);
    EXPECT_THROW(client->ensureUploaded(workspace, bytes + "x", ContentHash::sha256(bytes + "x").toUpper(), "image/png"),
                 SyncError);
}

TEST_F(BlobsTest, AnotherWorkspacesBlobsAreOutOfReach) {
    const QByteArray bytes = png();
    const QString sha = ContentHash::sha256(bytes);
    client->ensureUploaded(workspace, bytes, sha, "image/png");
    SyncClient outsider(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::outsider));
    try {
        outsider.downloadBlob(workspace, sha);
        FAIL() << "a blob left its workspace";
    } catch (const SyncError& e) {
        EXPECT_EQ(e.kind(), SyncError::Kind::server);
        EXPECT_GE(e.status(), 400);
    }
}
