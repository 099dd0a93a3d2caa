#include "AccountRoutes.h"

#include "HttpJson.h"
#include "common/Identifiers.h"
#include "changes/SyncRequest.h"
#include "common/Wire.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

QString boundedText(const QJsonObject& o, const char* key, int limit, bool required) {
    const QJsonValue v = o.value(QLatin1String(key));
    if ((v.isUndefined() || v.isNull()) && !required)
        return {};
    if (!v.isString() || v.toString().isEmpty() || v.toString().size() > limit)
        throw ApiError::badRequest(QStringLiteral("%1 must be a text of 1 to %2 characters").arg(key).arg(limit));
    return v.toString();
}

} // namespace

void registerAccountRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Get("/v1/me", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        QJsonArray workspaces;
        bool uploads = false;
        for (const Membership& m : ctx.accounts.memberships(user.id)) {
            workspaces.append(QJsonObject{{"id", m.workspace.id},
                                          {"name", m.workspace.name},
                                          {"slug", m.workspace.slug},
                                          {"role", m.role},
                                          {"settings", QJsonObject{{"uploads_disabled", m.workspace.uploadsDisabled}}}});
            uploads = uploads || !m.workspace.uploadsDisabled;
        }
        HttpJson::send(res, 200,
                       {{"user", QJsonObject{{"id", user.id},
                                             {"name", user.name},
                                             {"email", user.email},
                                             {"image", QJsonValue::Null},
                                             {"kind", "person"}}},
                        {"workspaces", workspaces},
                        {"features", QJsonObject{{"uploads", uploads}, {"live_events", true}}}});
    }));

    server.Post("/v1/devices", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const QJsonObject o = decodeJsonObject(HttpJson::body(req, 16 * 1024));
        DeviceRecord device;
        device.id = boundedText(o, "id", 128, true);
        if (!Identifiers::isSafe(device.id))
            throw ApiError::badRequest(QStringLiteral("id must be an identifier of letters, digits, '-' and '_'"));
        device.name = boundedText(o, "name", 200, true);
        device.platform = boundedText(o, "platform", 40, true);
        const QString version = boundedText(o, "app_version", 40, false);
        if (!version.isEmpty())
            device.appVersion = version;
        if (!ctx.accounts.registerDevice(user.id, Authenticator::tokenHash(req), device))
            throw ApiError(409, QStringLiteral("conflict"), QStringLiteral("that device id is taken"));
        HttpJson::send(res, 200, {{"id", device.id}, {"registered", true}});
    }));

    server.Get("/v1/devices", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        QJsonArray devices;
        for (const DeviceRecord& d : ctx.accounts.devices(user.id))
            devices.append(QJsonObject{
                {"id", d.id},
                {"name", d.name},
                {"platform", d.platform},
                {"app_version", d.appVersion ? QJsonValue(*d.appVersion) : QJsonValue()},
                {"last_seen_at", Wire::stamp(QDateTime::fromMSecsSinceEpoch(qint64(d.lastSeenAt * 1000), Qt::UTC))}});
        HttpJson::send(res, 200, {{"devices", devices}});
    }));

    server.Post("/api/auth/sign-out", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        ctx.auth.require(req);
        ctx.accounts.revokeAccessToken(Authenticator::tokenHash(req));
        HttpJson::send(res, 200, {{"signed_out", true}});
    }));
}
