#pragma once

#include <QString>
#include <QStringList>

// The MCP revisions this server speaks, newest first.
namespace ProtocolVersion {

inline const QString latest = QStringLiteral("2025-11-25");

QStringList supported();

// The revision to answer an initialize request with: the client's own when we
// speak it, otherwise our latest (the client then decides whether to go on).
QString negotiate(const QString& requested);

} // namespace ProtocolVersion
