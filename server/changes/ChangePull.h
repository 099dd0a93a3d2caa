#pragma once

#include "GroupAccess.h"
#include "storage/AccountStore.h"
#include "storage/SyncRowStore.h"

#include <QJsonObject>
#include <QSet>

// Builds the pull half of a sync reply: the rows others changed after the
// caller's cursor (one page), the people of the caller's workspaces, the
// captures that left them, and the groups asked for in full. Of a private
// group only its members hear anything; a member added is told to fetch the
// group whole, a member removed to drop it.
class ChangePull {
public:
    // Rows per page; every capture brings at least one history entry along.
    static constexpr int pageSize = 1000;
    static constexpr int fullGroupRowBudget = 1000;

    ChangePull(AccountStore& accounts, SyncRowStore& rows, QString userId, QStringList workspaces);

    // Fills "changes", "people", "cursor", "more", "dropped_captures",
    // "dropped_workspaces" and "resync_groups" of the reply.
    void fill(QJsonObject& reply, std::int64_t cursor, const QString& deviceId, const QStringList& fullGroups);

    // A row as clients receive it.
    static QJsonObject wireRow(const SyncRow& row);

private:
    // Adds to changes a parent the row needs that is due only after pageEnd;
    // false when the row must stay behind.
    bool sendParentAhead(const SyncRow& row, std::int64_t pageEnd, const QString& deviceId, QJsonArray& changes,
                         QSet<QString>& sentAhead);
    void addFullGroups(QJsonArray& changes, QJsonArray& resync, const QStringList& groupIds);
    void sendWhatCameIntoView(const SyncRow& capture, std::int64_t cursor, QJsonArray& changes);
    // What the caller must do about a row of a group whose membership or
    // visibility changed since their cursor.
    void noteAccessChange(const SyncRow& row, bool visible, std::int64_t cursor, QJsonArray& resync,
                          QJsonArray& dropped);

    AccountStore& accounts_;
    SyncRowStore& rows_;
    QString userId_;
    QStringList workspaces_;
    GroupAccess access_;
};
