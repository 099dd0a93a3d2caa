#pragma once

#include "AccountStore.h"
#include "BlobStore.h"
#include "StorageOptions.h"
#include "SyncRowStore.h"

#include <memory>

class ServerDatabase;
class PgDatabase;

// Everything the service keeps: the database (the SQLite file under its
// --data folder, or a shared PostgreSQL one), the blobs and the key that
// signs storage addresses.
class DataFolder {
public:
    explicit DataFolder(const QString& path, const StorageOptions& options = {});
    ~DataFolder();

    AccountStore& accounts() { return *accounts_; }
    SyncRowStore& rows() { return *rows_; }
    BlobStore& blobs() { return *blobs_; }
    QByteArray signingKey() const { return signingKey_; }
    // The shared database when several instances may run on it; null on SQLite.
    PgDatabase* sharedDatabase() { return postgres_.get(); }
    // The SQLite file when the rows are kept in the folder; null on PostgreSQL.
    ServerDatabase* localDatabase() { return sqlite_.get(); }

    // Creates the folder if missing and leaves it to the service's user alone.
    static void makeOwnerOnlyFolder(const QString& path);

private:
    static QString prepared(const QString& path);

    QString path_;
    std::unique_ptr<ServerDatabase> sqlite_;
    std::unique_ptr<PgDatabase> postgres_;
    std::unique_ptr<AccountStore> accounts_;
    std::unique_ptr<SyncRowStore> rows_;
    std::unique_ptr<BlobStore> blobs_;
    QByteArray signingKey_;
};
