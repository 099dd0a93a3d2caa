#include "JsonRpc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace JsonRpc {

namespace {

QByteArray line(const QJsonObject& message) {
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

bool isValidId(const QJsonValue& id) {
    // MCP forbids null ids; JSON-RPC allows strings and numbers.
    return id.isString() || id.isDouble();
}

} // namespace

Message parse(const QByteArray& text) {
    QJsonValue replyId = QJsonValue::Null;
    const auto fail = [&replyId](int code, const QString& message) {
        return Malformed{Error{code, message}, replyId};
    };
    QJsonParseError parseStatus;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseStatus);
    if (parseStatus.error != QJsonParseError::NoError) {
        // Qt reads only objects and arrays at the top; a bare scalar is still
        // valid JSON, just not a request.
        const QJsonDocument wrapped = QJsonDocument::fromJson('[' + text + ']');
        if (wrapped.isArray() && wrapped.array().size() == 1)
            throw fail(invalidRequest, "Invalid Request: a message must be a JSON object");
        throw fail(parseError, "Parse error: " + parseStatus.errorString());
    }
    if (document.isArray())
        throw fail(invalidRequest, "Invalid Request: batches are not supported");
    if (!document.isObject())
        throw fail(invalidRequest, "Invalid Request: a message must be a JSON object");

    const QJsonObject object = document.object();
    const bool hasId = object.contains("id");
    const QJsonValue id = object.value("id");
    if (hasId && isValidId(id))
        replyId = id;
    if (object.value("jsonrpc").toString() != "2.0")
        throw fail(invalidRequest, R"(Invalid Request: "jsonrpc" must be "2.0")");
    if (hasId && !isValidId(id))
        throw fail(invalidRequest, R"(Invalid Request: "id" must be a string or a number)");

    Message message;
    message.id = id;
    const QJsonValue method = object.value("method");
    if (method.isUndefined()) {
        if (hasId && (object.contains("result") || object.contains("error"))) {
            message.kind = Message::Kind::response;
            return message;
        }
        throw fail(invalidRequest, R"(Invalid Request: "method" is missing)");
    }
    if (!method.isString())
        throw fail(invalidRequest, R"(Invalid Request: "method" must be a string)");
    message.method = method.toString();
    message.kind = hasId ? Message::Kind::request : Message::Kind::notification;

    const QJsonValue params = object.value("params");
    if (!params.isUndefined() && !params.isObject())
        throw fail(invalidParams, R"(Invalid params: "params" must be an object)");
    message.params = params.toObject();
    return message;
}

QByteArray result(const QJsonValue& id, const QJsonObject& result) {
    return line({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

QByteArray error(const QJsonValue& id, const Error& error) {
    return line({{"jsonrpc", "2.0"},
                 {"id", id.isUndefined() ? QJsonValue(QJsonValue::Null) : id},
                 {"error", QJsonObject{{"code", error.code}, {"message", error.message}}}});
}

} // namespace JsonRpc
