#include "McpSession.h"

#include "ProtocolVersion.h"
#include "ToolRegistry.h"

#include <QJsonArray>
#include <QLoggingCategory>

#include <exception>

Q_LOGGING_CATEGORY(lcSession, "zorvi.mcp.session")

McpSession::McpSession(const ToolRegistry& tools, QString serverVersion)
    : tools_(tools), serverVersion_(std::move(serverVersion)) {}

std::optional<QByteArray> McpSession::handle(const QByteArray& line) {
    if (line.trimmed().isEmpty())
        return std::nullopt;

    JsonRpc::Message message;
    try {
        message = JsonRpc::parse(line);
    } catch (const JsonRpc::Malformed& malformed) {
        qCWarning(lcSession) << "refused a message:" << malformed.error.message;
        return JsonRpc::error(malformed.id, malformed.error);
    }

    switch (message.kind) {
    case JsonRpc::Message::Kind::response:
        // We never send requests, so there is nothing to match a response to.
        return std::nullopt;
    case JsonRpc::Message::Kind::notification:
        notify(message);
        return std::nullopt;
    case JsonRpc::Message::Kind::request:
        break;
    }

    try {
        return JsonRpc::result(message.id, dispatch(message));
    } catch (const JsonRpc::Error& error) {
        qCWarning(lcSession) << message.method << "failed:" << error.message;
        return JsonRpc::error(message.id, error);
    } catch (const std::exception& error) {
        qCCritical(lcSession) << message.method << "failed unexpectedly:" << error.what();
        return JsonRpc::error(message.id, {JsonRpc::internalError, QString::fromUtf8(error.what())});
    }
}

QJsonObject McpSession::dispatch(const JsonRpc::Message& message) {
    const QString& method = message.method;
    if (method == u"initialize")
        return initialize(message.params);
    if (method == u"ping")
        return {};
    if (method == u"tools/list")
        return {{"tools", tools_.list()}};
    if (method == u"tools/call")
        return callTool(message.params);
    throw JsonRpc::Error{JsonRpc::methodNotFound, "Method not found: " + method};
}

QJsonObject McpSession::initialize(const QJsonObject& params) {
    const QJsonValue requested = params.value("protocolVersion");
    if (!requested.isString())
        throw JsonRpc::Error{JsonRpc::invalidParams, R"(Invalid params: "protocolVersion" must be a string)"};
    protocolVersion_ = ProtocolVersion::negotiate(requested.toString());
    const QJsonObject client = params.value("clientInfo").toObject();
    qCInfo(lcSession).noquote() << "session with" << client.value("name").toString("an unnamed client")
                                << client.value("version").toString() << "speaking" << protocolVersion_;
    return {
        {"protocolVersion", protocolVersion_},
        {"capabilities", QJsonObject{{"tools", QJsonObject{{"listChanged", false}}}}},
        {"serverInfo", QJsonObject{{"name", "zorvi-mcp"}, {"title", "Zorvi"}, {"version", serverVersion_}}},
        {"instructions",
         "Zorvi is a board of visual bug reports filed by a person: each capture has a note, "
         "screenshots and where it was taken. Use list_captures to see open work, get_capture to "
         "look at one, claim_capture before working on it, comment_on_capture to report back, and "
         "resolve_capture with the commit or PR once it is fixed."},
    };
}

QJsonObject McpSession::callTool(const QJsonObject& params) const {
    const QJsonValue name = params.value("name");
    if (!name.isString())
        throw JsonRpc::Error{JsonRpc::invalidParams, R"(Invalid params: "name" must be a string)"};
    const QJsonValue arguments = params.value("arguments");
    if (!arguments.isUndefined() && !arguments.isNull() && !arguments.isObject())
        throw JsonRpc::Error{JsonRpc::invalidParams, R"(Invalid params: "arguments" must be an object)"};
    const std::optional<ToolResult> result = tools_.call(name.toString(), arguments.toObject());
    if (!result)
        throw JsonRpc::Error{JsonRpc::invalidParams, "Unknown tool: " + name.toString()};
    return result->toJson();
}

void McpSession::notify(const JsonRpc::Message& message) {
    // notifications/initialized and notifications/cancelled need no action:
    // requests are answered one at a time, so nothing is ever in flight.
    qCDebug(lcSession) << "notification" << message.method;
}
