#pragma once

#include "FolderBlobStore.h"
#include "ServerDatabase.h"
#include "SqliteAccountStore.h"
#include "SqliteSyncRowStore.h"

// Everything the service keeps under its --data folder: the database, the
// blobs and the key that signs storage addresses.
class DataFolder {
public:
    explicit DataFolder(const QString& path);

    AccountStore& accounts() { return accounts_; }
    SyncRowStore& rows() { return rows_; }
    BlobStore& blobs() { return blobs_; }
    QByteArray signingKey() const { return signingKey_; }

    // Creates the folder if missing and leaves it to the service's user alone.
    static void makeOwnerOnlyFolder(const QString& path);

private:
    static QString prepared(const QString& path);

    QString path_;
    ServerDatabase database_;
    SqliteAccountStore accounts_;
    SqliteSyncRowStore rows_;
    FolderBlobStore blobs_;
    QByteArray signingKey_;
};
