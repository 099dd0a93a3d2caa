#include "BlobRoutes.h"

#include "Admission.h"
#include "HttpJson.h"
#include "common/Identifiers.h"
#include "net/ConnectionStream.h"
#include "net/FileReply.h"
#include "security/Secrets.h"
#include "changes/SyncRequest.h"

#include <QCryptographicHash>
#include <QDateTime>

namespace {

const char* storagePattern = R"(/storage/([^/]+)/([^/]+))";

struct BlobAddress {
    QString workspaceId;
    QString sha256;
    QString storagePath() const { return QStringLiteral("/storage/") + workspaceId + '/' + sha256; }
};

BlobAddress validated(const QString& workspaceId, const QString& sha256) {
    if (!Identifiers::isSafe(workspaceId))
        throw ApiError::badRequest(QStringLiteral("workspace_id must be an identifier"));
    if (!Secrets::isSha256Hex(sha256))
        throw ApiError::badRequest(QStringLiteral("sha256 must be 64 lower-case hexadecimal digits"));
    return {workspaceId, sha256};
}

BlobAddress fromPath(const httplib::Request& req) {
    return validated(QString::fromStdString(req.matches[1]), QString::fromStdString(req.matches[2]));
}

// The caller's membership of the workspace; a non-member learns nothing
// about whether the workspace or the file exists.
Membership requireMember(ServiceContext& ctx, const UserRecord& user, const QString& workspaceId) {
    for (const Membership& m : ctx.accounts.memberships(user.id))
        if (m.workspace.id == workspaceId)
            return m;
    throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such workspace"));
}

struct UploadIntent {
    BlobAddress address;
    qint64 bytes;
    QString contentType;
};

UploadIntent uploadIntent(ServiceContext& ctx, const httplib::Request& req) {
    const QJsonObject o = decodeJsonObject(HttpJson::body(req, 16 * 1024));
    if (!o.value("workspace_id").isString() || !o.value("sha256").isString())
        throw ApiError::badRequest(QStringLiteral("workspace_id and sha256 are required texts"));
    UploadIntent intent{validated(o.value("workspace_id").toString(), o.value("sha256").toString()), 0, {}};
    const double bytes = o.value("bytes").toDouble(-1);
    if (!o.value("bytes").isDouble() || bytes < 0 || bytes > double(ctx.config.maxBlobBytes) || bytes != qint64(bytes))
        throw ApiError::badRequest(
            QStringLiteral("bytes must be a whole number up to %1").arg(qulonglong(ctx.config.maxBlobBytes)));
    intent.bytes = qint64(bytes);
    intent.contentType = o.value("content_type").toString(QStringLiteral("image/png"));
    if (!intent.contentType.startsWith(QLatin1String("image/")) || intent.contentType.size() > 64)
        throw ApiError::badRequest(QStringLiteral("content_type must be an image type"));
    return intent;
}

std::int64_t nowSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

// Checks the address's signature; returns the size it was issued for
// (empty for a download address).
QString requireSignature(ServiceContext& ctx, const httplib::Request& req, const char* method, const BlobAddress& a) {
    const QString bytes = QString::fromStdString(req.get_param_value("bytes"));
    if (!ctx.signer.verify(QLatin1String(method), a.storagePath(), bytes,
                           QString::fromStdString(req.get_param_value("expires")),
                           QString::fromStdString(req.get_param_value("signature")), nowSeconds()))
        throw ApiError(403, QStringLiteral("bad_signature"), QStringLiteral("the address is invalid or has expired"));
    return bytes;
}

QString signedUrl(ServiceContext& ctx, const httplib::Request& req, const char* method, const BlobAddress& a,
                  const QString& bytes = {}) {
    return HttpJson::origin(req, ctx.config.publicUrl, ctx.config.tls) +
           ctx.signer.sign(QLatin1String(method), a.storagePath(), bytes,
                           nowSeconds() + ctx.config.storageUrlLifetimeSeconds);
}

// The store's own address when clients reach it directly, else one on the service.
QString uploadUrl(ServiceContext& ctx, const httplib::Request& req, const UploadIntent& intent) {
    if (DirectBlobAccess* direct = ctx.blobs.direct())
        return direct->uploadUrl(intent.address.workspaceId, intent.address.sha256, intent.bytes,
                                 ctx.config.storageUrlLifetimeSeconds);
    return signedUrl(ctx, req, "PUT", intent.address, QString::number(intent.bytes));
}

QString downloadUrl(ServiceContext& ctx, const httplib::Request& req, const BlobAddress& address) {
    if (DirectBlobAccess* direct = ctx.blobs.direct())
        return direct->downloadUrl(address.workspaceId, address.sha256, ctx.config.storageUrlLifetimeSeconds);
    return signedUrl(ctx, req, "GET", address);
}

ApiError hashMismatch() {
    return {400, QStringLiteral("hash_mismatch"), QStringLiteral("the bytes do not match their hash")};
}

// Whether the blob is present, taking in a direct upload that has arrived
// at the store and matches its hash.
bool arrived(ServiceContext& ctx, const UploadIntent& intent) {
    const BlobAddress& a = intent.address;
    if (ctx.blobs.exists(a.workspaceId, a.sha256))
        return true;
    DirectBlobAccess* direct = ctx.blobs.direct();
    if (!direct)
        return false;
    switch (direct->admit(a.workspaceId, a.sha256, ctx.config.maxBlobBytes)) {
    case DirectBlobAccess::Arrival::stored:
        return true;
    case DirectBlobAccess::Arrival::mismatched:
        throw hashMismatch();
    case DirectBlobAccess::Arrival::missing:
        break;
    }
    return false;
}

ApiError uploadsDisabled() {
    return {403, QStringLiteral("uploads_disabled"), QStringLiteral("Screenshot uploads are switched off on this server.")};
}

// Receives an upload as it arrives, hashing on the way: never more bytes
// than the address was issued for, and nothing stored unless they match
// their hash.
void receiveBlob(ServiceContext& ctx, const BlobAddress& address, std::uint64_t declared,
                 const httplib::ContentReader& content) {
    auto upload = ctx.blobs.beginUpload(address.workspaceId, address.sha256);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::uint64_t received = 0;
    bool stored = true;
    content([&](const char* data, std::size_t size) {
        received += size;
        if (received > declared)
            return false;
        hash.addData(QByteArrayView(data, qsizetype(size)));
        stored = upload->write(data, size);
        return stored;
    });
    if (received > declared)
        throw ApiError(413, QStringLiteral("too_large"), QStringLiteral("the body is longer than the upload's size"));
    if (!stored)
        throw std::runtime_error("could not write the upload");
    if (received != declared)
        throw ApiError(400, QStringLiteral("size_mismatch"), QStringLiteral("the body is shorter than the upload's size"));
    if (QString::fromLatin1(hash.result().toHex()) != address.sha256)
        throw hashMismatch();
    upload->commit();
}

} // namespace

void registerBlobRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Post("/v1/uploads", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const UploadIntent intent = uploadIntent(ctx, req);
        const Membership member = requireMember(ctx, user, intent.address.workspaceId);
        if (member.workspace.uploadsDisabled)
            throw uploadsDisabled();
        if (ctx.blobs.exists(intent.address.workspaceId, intent.address.sha256)) {
            HttpJson::send(res, 200, {{"status", "exists"}});
            return;
        }
        HttpJson::send(res, 200,
                       {{"status", "upload"},
                        {"url", uploadUrl(ctx, req, intent)},
                        {"method", "PUT"},
                        {"headers", QJsonObject{{"Content-Type", intent.contentType}}},
                        {"expires_in", ctx.config.storageUrlLifetimeSeconds}});
    }));

    server.Post("/v1/uploads/complete", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const UploadIntent intent = uploadIntent(ctx, req);
        requireMember(ctx, user, intent.address.workspaceId);
        if (!arrived(ctx, intent))
            throw ApiError(409, QStringLiteral("not_uploaded"), QStringLiteral("the file has not arrived"));
        HttpJson::send(res, 200, {{"status", "stored"}});
    }));

    server.Get(R"(/v1/blobs/([^/]+)/([^/]+))",
               HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
                   const UserRecord user = ctx.auth.require(req);
                   const BlobAddress address = fromPath(req);
                   requireMember(ctx, user, address.workspaceId);
                   if (!ctx.blobs.exists(address.workspaceId, address.sha256) ||
                       !ctx.sync.mayReadBlob(user, address.workspaceId, address.sha256))
                       throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such file"));
                   HttpJson::send(res, 200,
                                  {{"url", downloadUrl(ctx, req, address)},
                                   {"expires_in", ctx.config.storageUrlLifetimeSeconds}});
               }));

    // Everything is checked from the address and the headers before the
    // body is read: the signature, the workspace's uploads switch (which
    // also voids addresses issued before it was turned off) and the size.
    server.Put(storagePattern, HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res,
                                                        const httplib::ContentReader& content) {
        const BlobAddress address = fromPath(req);
        bool sized = false;
        const std::uint64_t declared = requireSignature(ctx, req, "PUT", address).toULongLong(&sized);
        if (!sized)
            throw ApiError(403, QStringLiteral("bad_signature"), QStringLiteral("the address is not for an upload"));
        const auto workspace = ctx.accounts.workspaceById(address.workspaceId);
        if (!workspace || workspace->uploadsDisabled)
            throw uploadsDisabled();
        if (contentLength(req) > declared)
            throw ApiError(413, QStringLiteral("too_large"), QStringLiteral("the body is longer than the upload's size"));
        receiveBlob(ctx, address, declared, content);
        HttpJson::send(res, 201, {{"status", "stored"}});
    }));

    server.Get(storagePattern, HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response&) {
        const BlobAddress address = fromPath(req);
        requireSignature(ctx, req, "GET", address);
        std::shared_ptr<QIODevice> file = ctx.blobs.open(address.workspaceId, address.sha256);
        if (!file)
            throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such file"));
        ConnectionStream* stream = ConnectionStream::current();
        if (!stream)
            throw std::logic_error("a file reply outside a served connection");
        stream->handOver([file, ranges = req.ranges, headOnly = req.method == "HEAD"](
                             std::unique_ptr<Connection> connection) {
            FileReply::send(*connection, *file, ranges, "application/octet-stream",
                            "Cache-Control: private, max-age=300\r\n", headOnly);
        });
    }));
}
