#include "DataFolder.h"

#include "http/UrlSigner.h"

#include <QDir>
#include <QFile>

#include <stdexcept>
#include <sys/stat.h>

void DataFolder::makeOwnerOnlyFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw std::runtime_error("cannot create the folder " + path.toStdString());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString DataFolder::prepared(const QString& path) {
    // Password hashes, tokens and screenshots live here: whatever the
    // service creates is its user's alone, whoever can list the folder.
    umask(077);
    makeOwnerOnlyFolder(path);
    return QDir(path).absolutePath();
}

DataFolder::DataFolder(const QString& path)
    : path_(prepared(path)), database_(path_ + QStringLiteral("/zorvi-server.sqlite3")), accounts_(database_),
      rows_(database_), blobs_(path_ + QStringLiteral("/blobs")),
      signingKey_(UrlSigner::loadOrCreateKey(path_ + QStringLiteral("/signing.key"))) {
    // Files an older version left readable to others.
    for (const QString& name : QDir(path_).entryList({QStringLiteral("zorvi-server.sqlite3*")}, QDir::Files))
        QFile::setPermissions(path_ + '/' + name, QFile::ReadOwner | QFile::WriteOwner);
}
