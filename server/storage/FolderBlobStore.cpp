#include "FolderBlobStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

FolderBlobStore::FolderBlobStore(QString root) : root_(std::move(root)) {
    QDir().mkpath(root_);
}

QString FolderBlobStore::pathFor(const QString& workspaceId, const QString& sha256) const {
    return root_ + '/' + workspaceId + '/' + sha256.left(2) + '/' + sha256;
}

bool FolderBlobStore::exists(const QString& workspaceId, const QString& sha256) {
    return QFileInfo::exists(pathFor(workspaceId, sha256));
}

void FolderBlobStore::put(const QString& workspaceId, const QString& sha256, const QByteArray& bytes) {
    const QString path = pathFor(workspaceId, sha256);
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error("could not store blob: " + file.errorString().toStdString());
}

std::optional<QByteArray> FolderBlobStore::read(const QString& workspaceId, const QString& sha256) {
    QFile file(pathFor(workspaceId, sha256));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}
