#pragma once

#include "storage/AccountStore.h"
#include "storage/SyncRowStore.h"

#include <QJsonObject>

// Builds the pull half of a sync reply: the rows others changed after the
// caller's cursor (one page), the people of the caller's workspaces, the
// captures that left them, and the groups asked for in full.
class ChangePull {
public:
    static constexpr int pageSize = 500;

    ChangePull(AccountStore& accounts, SyncRowStore& rows, QString userId, QStringList workspaces);

    // Fills "changes", "people", "cursor", "more", "dropped_captures",
    // "dropped_workspaces" and "resync_groups" of the reply.
    void fill(QJsonObject& reply, std::int64_t cursor, const QString& deviceId, const QStringList& fullGroups);

    // A row as clients receive it.
    static QJsonObject wireRow(const SyncRow& row);

private:
    void addFullGroups(QJsonArray& changes, QJsonArray& resync, const QStringList& groupIds);

    AccountStore& accounts_;
    SyncRowStore& rows_;
    QString userId_;
    QStringList workspaces_;
};
