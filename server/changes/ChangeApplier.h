#pragma once

#include "GroupAccess.h"
#include "SyncRequest.h"
#include "storage/BlobStore.h"
#include "storage/Records.h"
#include "storage/SyncRowStore.h"

#include <QJsonObject>
#include <QSet>

#include <variant>

// Applies pushed row changes for one caller, field by field: a field someone
// else changed after the pusher's base version keeps the service's value
// (the pusher's value is kept alongside as a conflict note on the capture);
// every other field takes the pushed value. Each change yields its verdict;
// one change refused never holds back the others. Rows of a private group
// the caller is not in are, to them, rows that do not exist.
class ChangeApplier {
public:
    ChangeApplier(SyncRowStore& rows, BlobStore& blobs, UserRecord caller, QString deviceId,
                  QSet<QString> workspaces);

    QJsonObject apply(const RowChange& change);

    // Workspaces whose feed moved, for the live events.
    const QSet<QString>& touchedWorkspaces() const { return touched_; }
    // Rows the caller must be sent with the reply whatever its cursor: the
    // group a new one was merged into, and the service's copy of each row
    // whose change was refused, so the caller's copy comes back in line.
    const std::vector<SyncRow>& resend() const { return resend_; }

private:
    struct Placement {
        QString workspaceId;
        std::optional<QString> parentId;
    };
    // Where the row will live, or a rejection verdict.
    std::variant<Placement, QJsonObject> place(const RowChange& change, const std::optional<SyncRow>& existing);
    QJsonObject judge(const RowChange& change, std::optional<SyncRow> existing);
    QJsonObject unseen(const RowChange& change);
    std::optional<QJsonObject> valueRefusal(const RowChange& change);
    bool readable(const SyncRow& row);
    bool placeable(const SyncRow& row);
    QJsonObject create(const RowChange& change, const Placement& placement);
    std::optional<QJsonObject> nameClash(const RowChange& change, SyncRow& group);
    QJsonObject applyMember(const RowChange& change);
    void saveMember(const SyncRow& group, const QString& userId, const QJsonValue& removedAt);
    QJsonObject update(const RowChange& change, SyncRow row, const Placement& placement);
    QJsonObject remove(const RowChange& change, std::optional<SyncRow> existing);
    std::optional<QJsonObject> missingBlob(const RowChange& change, const QString& workspaceId);
    void moveChildren(const QString& captureId, const QString& workspaceId);
    void noteConflicts(const SyncRow& capture, const QStringList& fields, const QJsonObject& patch);
    void save(SyncRow& row, const std::optional<QString>& previousWorkspace = std::nullopt);

    SyncRowStore& rows_;
    BlobStore& blobs_;
    UserRecord caller_;
    QString deviceId_;
    QSet<QString> workspaces_;
    QSet<QString> touched_;
    GroupAccess access_;
    QHash<QString, QString> remappedGroups_; // a group pushed here → the service's group of that name
    std::vector<SyncRow> resend_;
};
