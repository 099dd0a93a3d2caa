#pragma once

#include "storage/SyncRowStore.h"

#include <QHash>
#include <QString>

// Who may see what inside a workspace: a private group, and every capture,
// screenshot, comment and history entry filed in it, reach only its members.
// Answers are remembered for the life of one exchange.
class GroupAccess {
public:
    GroupAccess(SyncRowStore& rows, QString userId) : rows_(rows), userId_(std::move(userId)) {}

    // The internal key of a member row.
    static QString memberKey(const QString& groupId, const QString& userId) { return groupId + '/' + userId; }

    bool canSeeGroup(const QString& groupId);
    bool isMember(const QString& groupId, const QString& userId);
    // Whether the row may reach the user (its workspace aside). A member row
    // about the user themself always does, so they learn they left.
    bool canSee(const SyncRow& row);
    // The group a row is filed under, when any.
    std::optional<QString> groupOf(const SyncRow& row);
    // After a group or its members changed.
    void forget() {
        groups_.clear();
        captureGroups_.clear();
    }

private:
    SyncRowStore& rows_;
    QString userId_;
    QHash<QString, bool> groups_;
    QHash<QString, std::optional<QString>> captureGroups_;
};
