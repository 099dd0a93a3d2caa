#include "BlobRoutes.h"

#include "HttpJson.h"
#include "common/Identifiers.h"
#include "security/Secrets.h"
#include "sync/SyncRequest.h"

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

void requireSignature(ServiceContext& ctx, const httplib::Request& req, const char* method, const BlobAddress& a) {
    if (!ctx.signer.verify(QLatin1String(method), a.storagePath(), QString::fromStdString(req.get_param_value("expires")),
                           QString::fromStdString(req.get_param_value("signature")), nowSeconds()))
        throw ApiError(403, QStringLiteral("bad_signature"), QStringLiteral("the address is invalid or has expired"));
}

QString signedUrl(ServiceContext& ctx, const httplib::Request& req, const char* method, const BlobAddress& a) {
    return HttpJson::origin(req, ctx.config.publicUrl, ctx.config.tls) +
           ctx.signer.sign(QLatin1String(method), a.storagePath(), nowSeconds() + ctx.config.storageUrlLifetimeSeconds);
}

} // namespace

void registerBlobRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Post("/v1/uploads", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const UploadIntent intent = uploadIntent(ctx, req);
        const Membership member = requireMember(ctx, user, intent.address.workspaceId);
        if (member.workspace.uploadsDisabled)
            throw ApiError(403, QStringLiteral("uploads_disabled"),
                           QStringLiteral("Screenshot uploads are switched off on this server."));
        if (ctx.blobs.exists(intent.address.workspaceId, intent.address.sha256)) {
            HttpJson::send(res, 200, {{"status", "exists"}});
            return;
        }
        HttpJson::send(res, 200,
                       {{"status", "upload"},
                        {"url", signedUrl(ctx, req, "PUT", intent.address)},
                        {"method", "PUT"},
                        {"headers", QJsonObject{{"Content-Type", intent.contentType}}},
                        {"expires_in", ctx.config.storageUrlLifetimeSeconds}});
    }));

    server.Post("/v1/uploads/complete", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const UploadIntent intent = uploadIntent(ctx, req);
        requireMember(ctx, user, intent.address.workspaceId);
        if (!ctx.blobs.exists(intent.address.workspaceId, intent.address.sha256))
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
                                  {{"url", signedUrl(ctx, req, "GET", address)},
                                   {"expires_in", ctx.config.storageUrlLifetimeSeconds}});
               }));

    server.Put(storagePattern, HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const BlobAddress address = fromPath(req);
        requireSignature(ctx, req, "PUT", address);
        const QByteArray bytes = HttpJson::body(req, ctx.config.maxBlobBytes);
        if (Secrets::sha256Hex(bytes) != address.sha256)
            throw ApiError(400, QStringLiteral("hash_mismatch"), QStringLiteral("the bytes do not match their hash"));
        if (!ctx.blobs.exists(address.workspaceId, address.sha256))
            ctx.blobs.put(address.workspaceId, address.sha256, bytes);
        HttpJson::send(res, 201, {{"status", "stored"}});
    }));

    server.Get(storagePattern, HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const BlobAddress address = fromPath(req);
        requireSignature(ctx, req, "GET", address);
        const auto bytes = ctx.blobs.read(address.workspaceId, address.sha256);
        if (!bytes)
            throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such file"));
        res.set_content(bytes->constData(), std::size_t(bytes->size()), "application/octet-stream");
        res.set_header("Cache-Control", "private, max-age=300");
    }));
}
