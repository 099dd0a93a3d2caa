#pragma once

#include "ChangeFeed.h"
#include "SyncRequest.h"
#include "storage/AccountStore.h"
#include "storage/BlobStore.h"
#include "storage/SyncRowStore.h"

#include <QJsonObject>

// One sync exchange for a signed-in user: the pushed changes are applied and
// the pull page built in one transaction, then every workspace that changed
// is announced on the live feed.
class SyncService {
public:
    SyncService(AccountStore& accounts, SyncRowStore& rows, BlobStore& blobs, ChangeFeed& feed)
        : accounts_(accounts), rows_(rows), blobs_(blobs), feed_(feed) {}

    QJsonObject sync(const UserRecord& caller, const SyncRequest& request);
    // Which of the device's synced captures it should drop, and whether it
    // lacks any it should have.
    QJsonObject reconcile(const UserRecord& caller, const ReconcileRequest& request);
    // Whether the caller may fetch a file of a workspace they are in: not
    // when every screenshot naming it is in a private group they are not in.
    bool mayReadBlob(const UserRecord& caller, const QString& workspaceId, const QString& sha256);

private:
    QStringList readableWorkspaces(const UserRecord& caller);

    AccountStore& accounts_;
    SyncRowStore& rows_;
    BlobStore& blobs_;
    ChangeFeed& feed_;
};
