#include "DataFolder.h"

#include "http/UrlSigner.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

QString DataFolder::prepared(const QString& path) {
    if (!QDir().mkpath(path))
        throw std::runtime_error("cannot create the data folder " + path.toStdString());
    // Password hashes, tokens and screenshots live here: owner only.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(path).absolutePath();
}

DataFolder::DataFolder(const QString& path)
    : path_(prepared(path)), database_(path_ + QStringLiteral("/zorvi-server.sqlite3")), accounts_(database_),
      rows_(database_), blobs_(path_ + QStringLiteral("/blobs")),
      signingKey_(UrlSigner::loadOrCreateKey(path_ + QStringLiteral("/signing.key"))) {}
