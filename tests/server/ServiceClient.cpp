#include "ServiceClient.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

namespace {

// A client of the service; over HTTPS it trusts the tests' loopback certificate.
httplib::Client connectTo(const QString& baseUrl) {
    httplib::Client client(baseUrl.toStdString());
    if (baseUrl.startsWith(QLatin1String("https://")))
        client.set_ca_cert_path(loopbackCertificate().toStdString());
    return client;
}

QJsonObject parse(const std::string& body) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
}

std::string pathAndQuery(const QString& url) {
    const QUrl u(url);
    return (u.path() + (u.hasQuery() ? '?' + u.query(QUrl::FullyEncoded) : QString())).toStdString();
}

QString origin(const QString& url) {
    return QUrl(url).adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

QString formValue(const std::string& html, const char* name) {
    const QRegularExpression re(QStringLiteral("name=\"%1\" value=\"([^\"]*)\"").arg(QLatin1String(name)));
    return re.match(QString::fromStdString(html)).captured(1);
}

} // namespace

QString loopbackCertificate() {
    return QStringLiteral(ZORVI_SOURCE_DIR "/tests/data/tls/loopback-cert.pem");
}

ServiceClient::ServiceClient(const QString& baseUrl, QString token)
    : http_(connectTo(baseUrl)), token_(std::move(token)) {
    http_.set_read_timeout(60);
}

httplib::Headers ServiceClient::headers() const {
    httplib::Headers h{{"Accept", "application/json"}};
    if (!token_.isEmpty())
        h.emplace("Authorization", "Bearer " + token_.toStdString());
    return h;
}

ServiceClient::Reply ServiceClient::toReply(const httplib::Result& result) {
    Reply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = result->body;
    reply.json = parse(result->body);
    return reply;
}

ServiceClient::Reply ServiceClient::get(const QString& path) {
    return toReply(http_.Get(path.toStdString(), headers()));
}

ServiceClient::Reply ServiceClient::post(const QString& path, const QJsonObject& body) {
    return postRaw(path, QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString());
}

ServiceClient::Reply ServiceClient::postRaw(const QString& path, const std::string& body, const char* contentType) {
    return toReply(http_.Post(path.toStdString(), headers(), body, contentType));
}

// Storage addresses may name another host (an S3 bucket), reached without the token.
ServiceClient::Reply ServiceClient::put(const QString& url, const QByteArray& bytes, const char* contentType) {
    httplib::Client storage = connectTo(origin(url));
    return toReply(storage.Put(pathAndQuery(url), bytes.toStdString(), contentType));
}

ServiceClient::Reply ServiceClient::fetch(const QString& url) {
    httplib::Client storage = connectTo(origin(url));
    return toReply(storage.Get(pathAndQuery(url)));
}

ServiceClient::Reply ServiceClient::sync(const QString& deviceId, qint64 cursor, const QJsonArray& changes,
                                         const QJsonArray& fullGroups) {
    return post(QStringLiteral("/v1/sync"),
                {{"device_id", deviceId}, {"cursor", cursor}, {"changes", changes}, {"full_groups", fullGroups}});
}

QString ServiceClient::signIn(const QString& baseUrl, const QString& email, const QString& password,
                             const QString& approvalUrl) {
    ServiceClient api(baseUrl);
    const Reply code = api.post(QStringLiteral("/api/auth/device/code"),
                                {{"client_id", "zorvi-desktop"}, {"scope", "openid profile email"}});
    const QString userCode = code.json.value("user_code").toString();
    if (code.status != 200 || userCode.isEmpty())
        return {};

    // The browser's part, with its cookies carried by hand.
    httplib::Client browser = connectTo(approvalUrl.isEmpty() ? baseUrl : approvalUrl);
    auto page = browser.Get(("/device?user_code=" + userCode).toStdString());
    if (!page || page->status != 200)
        return {};
    const std::string loginCookie = page->get_header_value("Set-Cookie").substr(0, page->get_header_value("Set-Cookie").find(';'));
    httplib::Params form{{"email", email.toStdString()},
                         {"password", password.toStdString()},
                         {"csrf", formValue(page->body, "csrf").toStdString()},
                         {"user_code", userCode.toStdString()}};
    auto signedIn = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", loginCookie}}, form);
    if (!signedIn || signedIn->status != 303)
        return {};
    const std::string setCookie = signedIn->get_header_value("Set-Cookie");
    const httplib::Headers session{{"Cookie", setCookie.substr(0, setCookie.find(';'))}};
    auto approval = browser.Get(("/device?user_code=" + userCode).toStdString(), session);
    if (!approval || approval->status != 200)
        return {};
    auto decided = browser.Post("/device/decision", session,
                                httplib::Params{{"csrf", formValue(approval->body, "csrf").toStdString()},
                                                {"user_code", userCode.toStdString()},
                                                {"decision", "approve"}});
    if (!decided || decided->status != 200)
        return {};

    const Reply token = api.post(QStringLiteral("/api/auth/device/token"),
                                 {{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                                  {"device_code", code.json.value("device_code")},
                                  {"client_id", "zorvi-desktop"}});
    return token.json.value("access_token").toString();
}

QJsonObject captureChange(const QString& id, qint64 baseVersion, const QJsonObject& patch) {
    return {{"table", "captures"}, {"id", id}, {"base_version", baseVersion}, {"patch", patch}};
}

QJsonObject newCapture(const QString& id, const QString& workspaceId, const QString& note) {
    return captureChange(id, 0,
                         {{"workspace_id", workspaceId},
                          {"note", note},
                          {"status", "open"},
                          {"priority", "normal"},
                          {"tags", QJsonArray{"ui"}},
                          {"capture_mode", "region"},
                          {"created_at", "2026-01-02T03:04:05.678Z"}});
}

EventStream::EventStream(const QString& baseUrl, const QString& token, const QString& query) : http_(connectTo(baseUrl)) {
    http_.set_read_timeout(120);
    reader_ = std::thread([this, token, query] {
        httplib::Headers h{{"Accept", "text/event-stream"}, {"Authorization", "Bearer " + token.toStdString()}};
        auto result = http_.Get(("/v1/events" + query).toStdString(), h,
                                [this](const httplib::Response& res) {
                                    std::lock_guard guard(lock_);
                                    status_ = res.status;
                                    changed_.notify_all();
                                    return true;
                                },
                                [this](const char* data, std::size_t length) {
                                    std::lock_guard guard(lock_);
                                    text_.append(data, length);
                                    changed_.notify_all();
                                    return !stop_;
                                });
        std::lock_guard guard(lock_);
        if (result && status_ == 0)
            status_ = result->status;
        if (result)
            text_ += result->body;
        stop_ = true;
        changed_.notify_all();
    });
}

EventStream::~EventStream() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    http_.stop();
    reader_.join();
}

bool EventStream::waitFor(const std::string& needle, int timeoutMs) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [&] { return text_.find(needle) != std::string::npos; });
}

std::string EventStream::text() {
    std::lock_guard guard(lock_);
    return text_;
}

int EventStream::status() {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(10), [&] { return status_ != 0 || stop_; });
    return status_;
}
