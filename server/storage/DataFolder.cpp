#include "DataFolder.h"

#include "FolderBlobStore.h"
#include "ServerDatabase.h"
#include "SqliteAccountStore.h"
#include "SqliteSyncRowStore.h"
#include "security/UrlSigner.h"
#include "postgres/PgAccountStore.h"
#include "postgres/PgSyncRowStore.h"
#include "s3/S3BlobStore.h"

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

DataFolder::DataFolder(const QString& path, const StorageOptions& options) : path_(prepared(path)) {
    if (options.databaseUrl.isEmpty()) {
        sqlite_ = std::make_unique<ServerDatabase>(path_ + QStringLiteral("/zorvi-server.sqlite3"));
        accounts_ = std::make_unique<SqliteAccountStore>(*sqlite_);
        rows_ = std::make_unique<SqliteSyncRowStore>(*sqlite_);
        signingKey_ = UrlSigner::loadOrCreateKey(path_ + QStringLiteral("/signing.key"));
    } else {
        postgres_ = std::make_unique<PgDatabase>(options.databaseUrl, options.databasePoolSize);
        accounts_ = std::make_unique<PgAccountStore>(*postgres_);
        rows_ = std::make_unique<PgSyncRowStore>(*postgres_);
        // Every instance signs with the same key, so an address one hands out works on all.
        signingKey_ = postgres_->signingKey();
    }
    if (options.blobsUrl.isEmpty())
        blobs_ = std::make_unique<FolderBlobStore>(path_ + QStringLiteral("/blobs"));
    else
        blobs_ = std::make_unique<S3BlobStore>(
            S3BlobStore::locationFrom(options.blobsUrl, options.s3Endpoint, options.s3Region));
    // Files an older version left readable to others.
    for (const QString& name : QDir(path_).entryList({QStringLiteral("zorvi-server.sqlite3*")}, QDir::Files))
        QFile::setPermissions(path_ + '/' + name, QFile::ReadOwner | QFile::WriteOwner);
}

DataFolder::~DataFolder() = default;
