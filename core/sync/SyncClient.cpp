#include "SyncClient.h"

#include "ContentHash.h"
#include "SyncError.h"
#include "common/Wire.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace {

// Room for a 2 MB request on a slow uplink; a service silent for a minute is treated as gone.
constexpr int requestTimeoutMs = 60'000;
// The event stream is meant to stay open (the service sends keep-alives); this only ends a dead one.
constexpr int eventsTimeoutMs = 3'600'000;
const QString clientID = QStringLiteral("zorvi-desktop");

QString reasonPhrase(int status) {
    switch (status) {
    case 400: return QStringLiteral("bad request");
    case 402: return QStringLiteral("payment required");
    case 403: return QStringLiteral("forbidden");
    case 404: return QStringLiteral("not found");
    case 405: return QStringLiteral("method not allowed");
    case 408: return QStringLiteral("request timed out");
    case 409: return QStringLiteral("conflict");
    case 410: return QStringLiteral("no longer exists");
    case 413: return QStringLiteral("request too large");
    case 415: return QStringLiteral("unsupported media type");
    case 422: return QStringLiteral("unprocessable entity");
    case 429: return QStringLiteral("too many requests");
    case 500: return QStringLiteral("internal server error");
    case 501: return QStringLiteral("not implemented");
    case 502: return QStringLiteral("bad gateway");
    case 503: return QStringLiteral("service unavailable");
    case 504: return QStringLiteral("gateway timed out");
    default: break;
    }
    if (status >= 300 && status < 400) return QStringLiteral("redirected");
    if (status >= 400 && status < 500) return QStringLiteral("client error");
    if (status >= 500 && status < 600) return QStringLiteral("server error");
    return QStringLiteral("informational");
}

// The SyncError for a reply outside 2xx: error.message, then message, then
// the status's reason phrase; error.code "uploads_disabled" has its own case.
SyncError errorFor(int status, const QByteArray& body) {
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonValue error = object.value("error");
    std::optional<QString> message;
    if (error.isObject()) {
        if (error["code"].toString() == u"uploads_disabled")
            return SyncError::uploadsDisabled();
        if (error["message"].isString())
            message = error["message"].toString();
    }
    if (!message && object.value("message").isString())
        message = object.value("message").toString();
    return SyncError::server(status, message.value_or(reasonPhrase(status)));
}

// A URL the service handed us; storage addresses must be absolute.
std::optional<QUrl> usableURL(const QJsonValue& v) {
    const std::optional<QString> text = Wire::str(v);
    if (!text)
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

SyncClient::SyncClient(QUrl baseURL, std::optional<QString> token)
    : baseURL_(std::move(baseURL)), token_(std::move(token)), session_(std::make_unique<QNetworkAccessManager>()) {
    // Ephemeral: no cache, cookies only in memory; an unreachable host fails at once.
    session_->setCookieJar(nullptr);
}

SyncClient::~SyncClient() = default;

void SyncClient::moveToThread(QThread* thread) {
    session_->moveToThread(thread);
}

std::optional<QString> SyncClient::token() const {
    std::lock_guard guard(lock_);
    return token_;
}

void SyncClient::setToken(std::optional<QString> token) {
    std::lock_guard guard(lock_);
    token_ = std::move(token);
}

QUrl SyncClient::endpoint(const QString& path) const {
    QUrl url = baseURL_;
    QString base = url.path();
    if (base.endsWith(u'/'))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

QNetworkRequest SyncClient::apiRequest(const QString& path, bool auth, bool hasBody) const {
    QNetworkRequest request(endpoint(path));
    request.setTransferTimeout(requestTimeoutMs);
    request.setRawHeader("Accept", "application/json");
    if (clientLabel_)
        request.setRawHeader("X-Zorvi-Client", clientLabel_->toUtf8());
    if (auth) {
        if (const std::optional<QString> t = token())
            request.setRawHeader("Authorization", "Bearer " + t->toUtf8());
    }
    if (hasBody)
        request.setRawHeader("Content-Type", "application/json");
    return request;
}

SyncClient::Reply SyncClient::send(QNetworkRequest request, const QByteArray& method, const QByteArray& body) {
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(session_->sendCustomRequest(request, method, body));
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() == QNetworkReply::SslHandshakeFailedError)
            throw SyncError::untrusted(reply->errorString());
        if (reply->error() != QNetworkReply::NoError)
            throw SyncError::offline(reply->errorString());
        throw SyncError::decode();
    }
    return {status.toInt(), reply->readAll()};
}

SyncClient::Reply SyncClient::request(const QByteArray& method, const QString& path,
                                      const std::optional<QJsonObject>& json, bool auth, bool tolerate) {
    const QByteArray body = json ? QJsonDocument(*json).toJson(QJsonDocument::Compact) : QByteArray();
    Reply reply = send(apiRequest(path, auth, json.has_value()), method, body);
    if (tolerate)
        return reply;
    if (reply.status == 401)
        throw SyncError::unauthorized();
    if (reply.status < 200 || reply.status > 299)
        throw errorFor(reply.status, reply.body);
    return reply;
}

QJsonObject SyncClient::objectOrThrow(const QByteArray& body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        throw SyncError::decode();
    return doc.object();
}

// MARK: sign-in

DeviceCode SyncClient::decodeDeviceCode(const QJsonObject& reply, const QUrl& baseURL) {
    const std::optional<QString> deviceCode = Wire::str(reply.value("device_code"));
    const std::optional<QString> userCode = Wire::str(reply.value("user_code"));
    if (!deviceCode || !userCode)
        throw SyncError::decode();
    DeviceCode code;
    code.deviceCode = *deviceCode;
    code.userCode = *userCode;
    code.verificationURI = Wire::str(reply.value("verification_uri")).value_or(baseURL.toString());
    code.verificationURIComplete = Wire::str(reply.value("verification_uri_complete"))
                                       .value_or(code.verificationURI + "?user_code=" + code.userCode);
    code.interval = std::max(2.0, Wire::real(reply.value("interval")));
    const double lifetime = std::max(60.0, Wire::real(reply.value("expires_in")));
    code.expiresAt = QDateTime::currentDateTimeUtc().addMSecs(qint64(lifetime * 1000));
    return code;
}

DeviceCode SyncClient::requestDeviceCode() {
    const Reply reply = request("POST", "/api/auth/device/code",
                                QJsonObject{{"client_id", clientID}, {"scope", "openid profile email"}}, false);
    return decodeDeviceCode(objectOrThrow(reply.body), baseURL_);
}

DevicePoll::Result SyncClient::pollDeviceToken(const QString& deviceCode) {
    const QJsonObject body{{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                           {"device_code", deviceCode},
                           {"client_id", clientID}};
    const Reply reply = send(apiRequest("/api/auth/device/token", false, true), "POST",
                             QJsonDocument(body).toJson(QJsonDocument::Compact));
    const QJsonObject object = QJsonDocument::fromJson(reply.body).object();
    if (reply.status == 200 && object.value("access_token").isString())
        return DevicePoll::Token{object.value("access_token").toString()};
    const QString err = object.value("error").isString() ? object.value("error").toString()
                        : object.value("code").isString() ? object.value("code").toString()
                                                          : QString();
    if (err == u"authorization_pending")
        return DevicePoll::Pending{};
    if (err == u"slow_down")
        return DevicePoll::SlowDown{};
    if (err == u"access_denied")
        return DevicePoll::Denied{};
    if (err == u"expired_token")
        return DevicePoll::Expired{};
    if (reply.status == 400)
        return DevicePoll::Pending{};
    throw SyncError::server(reply.status, object.value("message").isString() ? object.value("message").toString()
                                                                              : QStringLiteral("device token"));
}

AccountInfo SyncClient::me() {
    const QJsonObject object = objectOrThrow(request("GET", "/v1/me", std::nullopt, true).body);
    const QJsonValue user = object.value("user");
    if (!user.isObject() || !user["id"].isString())
        throw SyncError::decode();
    AccountInfo info;
    info.user.id = user["id"].toString();
    info.user.name = Wire::str(user["name"]).value_or(QStringLiteral("You"));
    info.user.email = Wire::str(user["email"]);
    info.user.imageURL = Wire::str(user["image"]);
    info.user.kind = Wire::str(user["kind"]).value_or(QStringLiteral("person"));
    for (const QJsonValue& entry : object.value("workspaces").toArray()) {
        const std::optional<QString> id = Wire::str(entry["id"]);
        const std::optional<QString> name = Wire::str(entry["name"]);
        const std::optional<QString> slug = Wire::str(entry["slug"]);
        if (!entry.isObject() || !id || !name || !slug)
            continue;
        info.workspaces.push_back({*id, *name, *slug, Wire::str(entry["role"]).value_or(QStringLiteral("member")),
                                   Wire::json(entry["settings"])});
    }
    const QJsonObject features = object.value("features").toObject();
    for (auto it = features.begin(); it != features.end(); ++it)
        if (it.value().isBool())
            info.features.insert(it.key(), it.value().toBool());
    return info;
}

void SyncClient::registerDevice(const QString& id, const QString& name, const QString& platform,
                                const std::optional<QString>& appVersion) {
    request("POST", "/v1/devices",
            QJsonObject{{"id", id},
                        {"name", name},
                        {"platform", platform},
                        {"app_version", appVersion ? QJsonValue(*appVersion) : QJsonValue(QJsonValue::Null)}},
            true);
}

void SyncClient::signOut() noexcept {
    try {
        request("POST", "/api/auth/sign-out", QJsonObject{}, true, true);
    } catch (...) {
    }
}

// MARK: sync

QJsonObject SyncClient::sync(const QJsonObject& body) {
    return objectOrThrow(request("POST", "/v1/sync", body, true).body);
}

SyncClient::Reconciliation SyncClient::reconcile(const QStringList& captureIDs) {
    const QJsonObject object = objectOrThrow(
        request("POST", "/v1/sync/reconcile", QJsonObject{{"capture_ids", QJsonArray::fromStringList(captureIDs)}},
                true)
            .body);
    return {Wire::strings(object.value("drop")), Wire::strings(object.value("missing")),
            Wire::strings(object.value("unknown"))};
}

// MARK: blobs

void SyncClient::ensureUploaded(const QString& workspaceID, const QByteArray& data, const QString& sha,
                                const QString& contentType) {
    const QJsonObject description{
        {"workspace_id", workspaceID}, {"sha256", sha}, {"bytes", qint64(data.size())}, {"content_type", contentType}};
    const QJsonObject reply = objectOrThrow(request("POST", "/v1/uploads", description, true).body);
    if (reply.value("status").toString() == u"exists")
        return;
    const std::optional<QUrl> url = usableURL(reply.value("url"));
    if (!url) {
        if (reply.value("error")["code"].toString() == u"uploads_disabled")
            throw SyncError::uploadsDisabled();
        throw SyncError::decode();
    }
    QNetworkRequest storage(*url);
    storage.setTransferTimeout(requestTimeoutMs);
    const QJsonObject headers = reply.value("headers").toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it)
        if (it.value().isString())
            storage.setRawHeader(it.key().toUtf8(), it.value().toString().toUtf8());
    const QByteArray method = Wire::str(reply.value("method")).value_or(QStringLiteral("PUT")).toUtf8();
    const Reply stored = send(storage, method, data);
    if (stored.status < 200 || stored.status > 299)
        throw SyncError::server(stored.status, QStringLiteral("storage refused the upload"));
    request("POST", "/v1/uploads/complete", description, true);
}

QByteArray SyncClient::downloadBlob(const QString& workspaceID, const QString& sha) {
    const QJsonObject reply =
        objectOrThrow(request("GET", "/v1/blobs/" + workspaceID + "/" + sha, std::nullopt, true).body);
    const std::optional<QUrl> url = usableURL(reply.value("url"));
    if (!url)
        throw SyncError::decode();
    QNetworkRequest storage(*url);
    storage.setTransferTimeout(requestTimeoutMs);
    const Reply fetched = send(storage, "GET", {});
    if (fetched.status < 200 || fetched.status > 299)
        throw SyncError::server(fetched.status, QStringLiteral("storage refused the download"));
    // Case-sensitive on purpose: blob names are lower-case hex and nothing else.
    if (ContentHash::sha256(fetched.body) != sha)
        throw SyncError::server(0, QStringLiteral("downloaded bytes don't match their hash"));
    return fetched.body;
}

// MARK: live events

QNetworkRequest SyncClient::events(const std::optional<QString>& workspaceID) const {
    QUrl url = endpoint("/v1/events");
    if (workspaceID) {
        const QUrl withQuery(url.toString() + "?workspace=" + *workspaceID, QUrl::StrictMode);
        if (withQuery.isValid())
            url = withQuery;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(eventsTimeoutMs);
    request.setRawHeader("Accept", "text/event-stream");
    if (const std::optional<QString> t = token())
        request.setRawHeader("Authorization", "Bearer " + t->toUtf8());
    if (clientLabel_)
        request.setRawHeader("X-Zorvi-Client", clientLabel_->toUtf8());
    return request;
}
