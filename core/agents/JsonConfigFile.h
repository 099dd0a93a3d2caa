#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// A JSON configuration file that belongs to another program. We only ever
// touch one member of it, so reading is tolerant and writing keeps the rest.
namespace JsonConfigFile {

// The top-level object, or nothing when the file is missing, unreadable,
// empty, not JSON, or not an object at the top.
std::optional<QJsonObject> read(const QString& path);

// Copies the file to "<path>.zorvi-backup", replacing an earlier backup.
// Best effort: a failure never stops the change it protects.
void backup(const QString& path);

// The form we write: indented, keys sorted, forward slashes unescaped.
QByteArray serialize(const QJsonObject& document);

// Replaces the file atomically; the old file survives any failure.
// Throws MCPInstallerError.
void write(const QString& path, const QJsonObject& document);

} // namespace JsonConfigFile
