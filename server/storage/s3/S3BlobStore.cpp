#include "S3BlobStore.h"

#include <QCryptographicHash>
#include <QTemporaryFile>
#include <QUrl>

#include <stdexcept>

namespace {

QString verifiedKey(const QString& workspaceId, const QString& sha256) {
    return QStringLiteral("blobs/") + workspaceId + '/' + sha256;
}

QString incomingKey(const QString& workspaceId, const QString& sha256) {
    return QStringLiteral("incoming/") + workspaceId + '/' + sha256;
}

[[noreturn]] void refused(const char* what, long status) {
    throw std::runtime_error(std::string("the blob store refused to ") + what + " (HTTP " + std::to_string(status) +
                             ")");
}

bool found(long status, const char* what) {
    if (status == 404)
        return false;
    if (status < 200 || status > 299)
        refused(what, status);
    return true;
}

// Spooled to a private temporary file, sent as one PUT on commit: the
// object appears whole or not at all.
class SpooledUpload : public BlobStore::Upload {
public:
    SpooledUpload(S3Client& client, QString key) : client_(client), key_(std::move(key)) {
        if (!file_.open())
            throw std::runtime_error("could not store blob: " + file_.errorString().toStdString());
    }
    bool write(const char* data, std::size_t size) override { return file_.write(data, qint64(size)) == qint64(size); }
    void commit() override {
        file_.seek(0);
        const long status = client_.put(key_, file_, file_.size());
        if (status < 200 || status > 299)
            refused("store a blob", status);
    }

private:
    S3Client& client_;
    QString key_;
    QTemporaryFile file_;
};

} // namespace

S3BlobStore::S3BlobStore(S3Location location) : client_(std::move(location)) {
    const long status = client_.headBucket();
    const std::string where = client_.location().bucket.toStdString() + " at " +
                              client_.location().endpoint.toStdString();
    if (status == 404)
        throw std::runtime_error("there is no bucket " + where);
    if (status == 401 || status == 403)
        throw std::runtime_error("the bucket " + where +
                                 " refused AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY");
    if (status < 200 || status > 299)
        throw std::runtime_error("the bucket " + where + " answered HTTP " + std::to_string(status));
}

S3Location S3BlobStore::locationFrom(const QString& blobsUrl, const QString& endpoint, const QString& region) {
    const QUrl url(blobsUrl);
    if (url.scheme() != QLatin1String("s3") || url.host().isEmpty() || (!url.path().isEmpty() && url.path() != "/"))
        throw std::invalid_argument("--blobs needs s3://BUCKET");
    S3Location location;
    location.bucket = url.host();
    location.credentials.region = region.isEmpty() ? QStringLiteral("us-east-1") : region;
    location.endpoint = endpoint.isEmpty()
                            ? QStringLiteral("https://s3.") + location.credentials.region + QStringLiteral(".amazonaws.com")
                            : endpoint;
    while (location.endpoint.endsWith('/'))
        location.endpoint.chop(1);
    location.credentials.accessKey = qEnvironmentVariable("AWS_ACCESS_KEY_ID");
    location.credentials.secretKey = qEnvironmentVariable("AWS_SECRET_ACCESS_KEY");
    if (location.credentials.accessKey.isEmpty() || location.credentials.secretKey.isEmpty())
        throw std::invalid_argument("--blobs s3://" + location.bucket.toStdString() +
                                    " needs AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY in the environment");
    return location;
}

bool S3BlobStore::exists(const QString& workspaceId, const QString& sha256) {
    return found(client_.head(verifiedKey(workspaceId, sha256)), "look up a blob");
}

std::unique_ptr<BlobStore::Upload> S3BlobStore::beginUpload(const QString& workspaceId, const QString& sha256) {
    return std::make_unique<SpooledUpload>(client_, verifiedKey(workspaceId, sha256));
}

std::unique_ptr<QIODevice> S3BlobStore::open(const QString& workspaceId, const QString& sha256) {
    auto file = std::make_unique<QTemporaryFile>();
    if (!file->open())
        throw std::runtime_error("could not read blob: " + file->errorString().toStdString());
    const long status = client_.get(verifiedKey(workspaceId, sha256), [&](const char* data, std::size_t size) {
        return file->write(data, qint64(size)) == qint64(size);
    });
    if (!found(status, "hand out a blob"))
        return nullptr;
    file->seek(0);
    return file;
}

QString S3BlobStore::uploadUrl(const QString& workspaceId, const QString& sha256, std::int64_t bytes,
                               int lifetimeSeconds) {
    return client_.presignedUrl(QStringLiteral("PUT"), incomingKey(workspaceId, sha256),
                                {{QStringLiteral("content-length"), QString::number(bytes)}}, lifetimeSeconds);
}

QString S3BlobStore::downloadUrl(const QString& workspaceId, const QString& sha256, int lifetimeSeconds) {
    return client_.presignedUrl(QStringLiteral("GET"), verifiedKey(workspaceId, sha256), {}, lifetimeSeconds);
}

// The service reads the upload once, hashing as it streams, rather than
// trusting a checksum the client chose; the copy into place happens inside
// the store.
DirectBlobAccess::Arrival S3BlobStore::admit(const QString& workspaceId, const QString& sha256, std::int64_t maxBytes) {
    const QString incoming = incomingKey(workspaceId, sha256);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::int64_t received = 0;
    const long status = client_.get(incoming, [&](const char* data, std::size_t size) {
        received += std::int64_t(size);
        hash.addData(QByteArrayView(data, qsizetype(size)));
        return received <= maxBytes;
    });
    if (status == 404)
        return Arrival::missing;
    if (status != -1 && (status < 200 || status > 299))
        refused("hand back an upload", status);
    Arrival arrival = Arrival::mismatched;
    if (status != -1 && QString::fromLatin1(hash.result().toHex()) == sha256) {
        const long copied = client_.copy(incoming, verifiedKey(workspaceId, sha256));
        if (copied < 200 || copied > 299)
            refused("keep an upload", copied);
        arrival = Arrival::stored;
    }
    client_.remove(incoming);
    return arrival;
}
