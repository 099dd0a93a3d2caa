#pragma once

#include "JsonRpc.h"

#include <QByteArray>
#include <QString>

#include <optional>

class ToolRegistry;

// One MCP conversation: takes incoming lines and produces the reply line for
// each request. Knows the protocol (handshake, ping, tools/list, tools/call,
// errors) and nothing of the library; the tools do that work.
class McpSession {
public:
    McpSession(const ToolRegistry& tools, QString serverVersion);

    // The reply to send for one incoming line, or nothing for notifications,
    // responses and blank lines. Never throws: every failure is a reply.
    std::optional<QByteArray> handle(const QByteArray& line);

    // The revision agreed in initialize; empty before it.
    const QString& protocolVersion() const { return protocolVersion_; }

private:
    QJsonObject dispatch(const JsonRpc::Message& message);
    QJsonObject initialize(const QJsonObject& params);
    QJsonObject callTool(const QJsonObject& params) const;
    void notify(const JsonRpc::Message& message);

    const ToolRegistry& tools_;
    QString serverVersion_;
    QString protocolVersion_;
};
