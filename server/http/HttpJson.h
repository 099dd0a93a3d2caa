#pragma once

#include "ApiError.h"

#include <httplib.h>

#include <QByteArray>
#include <QJsonObject>

#include <functional>

// JSON replies and the guard every API handler runs inside.
namespace HttpJson {

void send(httplib::Response& res, int status, const QJsonObject& body);
void sendError(httplib::Response& res, const ApiError& error);

// The request body, refused with 413 when larger than `limit`.
QByteArray body(const httplib::Request& req, std::size_t limit);

// Wraps a handler so an ApiError becomes its JSON reply and anything else a
// 500 with a JSON error, never a crash or a half-written reply.
httplib::Server::Handler guarded(std::function<void(const httplib::Request&, httplib::Response&)> handler);
// The same for a handler that reads the body itself, as it arrives.
httplib::Server::HandlerWithContentReader
guarded(std::function<void(const httplib::Request&, httplib::Response&, const httplib::ContentReader&)> handler);

// The origin links in a reply should use: the configured public URL, else
// the scheme and the address the request came in on.
QString origin(const httplib::Request& req, const QString& publicUrl, bool tls);

QString header(const httplib::Request& req, const char* name);

} // namespace HttpJson
