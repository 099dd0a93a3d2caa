#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// JSON-RPC 2.0 as MCP uses it over stdio: one message per line.
namespace JsonRpc {

enum ErrorCode {
    parseError = -32700,
    invalidRequest = -32600,
    methodNotFound = -32601,
    invalidParams = -32602,
    internalError = -32603,
};

// A failure that becomes an error response; thrown by the parser and by
// method handlers.
struct Error {
    int code;
    QString message;
};

// A line that is not a usable message, with the id when one could be read
// so that the reply can name the request it refuses.
struct Malformed {
    Error error;
    QJsonValue id = QJsonValue::Null;
};

// One incoming line, classified.
struct Message {
    enum class Kind { request, notification, response };
    Kind kind = Kind::request;
    QJsonValue id;     // string or number for requests and responses
    QString method;
    QJsonObject params;
};

// Parses one line. Throws Malformed.
Message parse(const QByteArray& line);

QByteArray result(const QJsonValue& id, const QJsonObject& result);
QByteArray error(const QJsonValue& id, const Error& error);

} // namespace JsonRpc
