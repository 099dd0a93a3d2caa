#include "JsonConfigFile.h"

#include "MCPInstallerError.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

namespace JsonConfigFile {

std::optional<QJsonObject> read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

void backup(const QString& path) {
    const QString copy = path + ".zorvi-backup";
    QFile::remove(copy);
    QFile::copy(path, copy);
}

QByteArray serialize(const QJsonObject& document) {
    // QJsonObject keeps its keys sorted and Qt never escapes '/', so the
    // indented form is already the sorted, slash-preserving one we want.
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

void write(const QString& path, const QJsonObject& document) {
    const QByteArray bytes = serialize(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw MCPInstallerError(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString message = file.errorString();
        file.cancelWriting();
        throw MCPInstallerError(message);
    }
    if (!file.commit())
        throw MCPInstallerError(file.errorString());
}

} // namespace JsonConfigFile
