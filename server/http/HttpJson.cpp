#include "HttpJson.h"

#include "changes/MalformedBody.h"

#include <QJsonDocument>

#include <cstdio>

namespace HttpJson {

void send(httplib::Response& res, int status, const QJsonObject& body) {
    res.status = status;
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    res.set_content(json.constData(), std::size_t(json.size()), "application/json");
    res.set_header("Cache-Control", "no-store");
}

void sendError(httplib::Response& res, const ApiError& error) {
    send(res, error.status(), {{"error", QJsonObject{{"code", error.code()}, {"message", error.message()}}}});
    if (error.status() == 401)
        res.set_header("WWW-Authenticate", "Bearer");
}

QByteArray body(const httplib::Request& req, std::size_t limit) {
    if (req.body.size() > limit)
        throw ApiError(413, QStringLiteral("too_large"),
                       QStringLiteral("the body is larger than %1 bytes").arg(qulonglong(limit)));
    return QByteArray::fromRawData(req.body.data(), qsizetype(req.body.size()));
}

namespace {

void runGuarded(const httplib::Request& req, httplib::Response& res, const std::function<void()>& run) {
    try {
        run();
    } catch (const ApiError& error) {
        sendError(res, error);
    } catch (const MalformedBody& error) {
        sendError(res, ApiError::badRequest(error.message()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zorvi-server: %s %s failed: %s\n", req.method.c_str(), req.path.c_str(), e.what());
        sendError(res, ApiError(500, QStringLiteral("internal"), QStringLiteral("the server could not do that")));
    }
}

} // namespace

httplib::Server::Handler guarded(std::function<void(const httplib::Request&, httplib::Response&)> handler) {
    return [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
        runGuarded(req, res, [&] { handler(req, res); });
    };
}

httplib::Server::HandlerWithContentReader
guarded(std::function<void(const httplib::Request&, httplib::Response&, const httplib::ContentReader&)> handler) {
    return [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& content) {
        runGuarded(req, res, [&] { handler(req, res, content); });
    };
}

QString origin(const httplib::Request& req, const QString& publicUrl, bool tls) {
    if (!publicUrl.isEmpty())
        return publicUrl;
    // The address the client reached, never its Host header: a forged Host
    // must not put someone else's site into the links we hand out.
    QString host = QString::fromStdString(req.local_addr);
    if (host.contains(':'))
        host = '[' + host + ']';
    return (tls ? QStringLiteral("https://") : QStringLiteral("http://")) + host + ':' + QString::number(req.local_port);
}

QString header(const httplib::Request& req, const char* name) {
    return QString::fromStdString(req.get_header_value(name));
}

} // namespace HttpJson
