#include "SyncService.h"

#include "ChangeApplier.h"
#include "ChangePull.h"

#include <QJsonArray>

QStringList SyncService::readableWorkspaces(const UserRecord& caller) {
    QStringList out;
    for (const Membership& m : accounts_.memberships(caller.id))
        out << m.workspace.id;
    return out;
}

QJsonObject SyncService::sync(const UserRecord& caller, const SyncRequest& request) {
    const QStringList workspaces = readableWorkspaces(caller);
    ChangeApplier applier(rows_, blobs_, caller, request.deviceId, QSet<QString>(workspaces.begin(), workspaces.end()));
    QJsonObject reply;
    std::int64_t cursor = 0;
    rows_.transaction([&] {
        QJsonArray results;
        for (const RowChange& change : request.changes)
            results.append(applier.apply(change));
        reply.insert("results", results);
        ChangePull(accounts_, rows_, caller.id, workspaces).fill(reply, request.cursor, request.deviceId, request.fullGroups);
        // Ahead of the page: a refused rename must be undone before a row of
        // the name it tried to take can be placed.
        QJsonArray changes;
        for (const SyncRow& row : applier.resend())
            changes.append(QJsonObject{{"table", row.table}, {"row", ChangePull::wireRow(row)}});
        for (const QJsonValue& change : reply.value("changes").toArray())
            changes.append(change);
        reply.insert("changes", changes);
        cursor = rows_.latestSeq();
    });
    for (const QString& workspace : applier.touchedWorkspaces())
        feed_.publish(workspace, cursor);
    return reply;
}

// "drop": held captures the service deleted, or that the caller may no longer
// read; "unknown": held captures the service never had (it was restored from
// a backup older than them), which the device must push again; "missing":
// captures the device should have and lacks.
QJsonObject SyncService::reconcile(const UserRecord& caller, const ReconcileRequest& request) {
    GroupAccess access(rows_, caller.id);
    QSet<QString> live;
    QJsonArray missing;
    const QSet<QString> held(request.captureIds.begin(), request.captureIds.end());
    for (const auto& [id, group] : rows_.liveCaptures(readableWorkspaces(caller))) {
        if (group && !access.canSeeGroup(*group))
            continue;
        live.insert(id);
        if (!held.contains(id))
            missing.append(id);
    }
    QJsonArray drop, unknown;
    for (const QString& id : request.captureIds) {
        if (live.contains(id))
            continue;
        if (rows_.row(QStringLiteral("captures"), id))
            drop.append(id);
        else
            unknown.append(id);
    }
    return {{"drop", drop}, {"missing", missing}, {"unknown", unknown}};
}

bool SyncService::mayReadBlob(const UserRecord& caller, const QString& workspaceId, const QString& sha256) {
    const std::vector<SyncRow> images = rows_.imagesWithBlob(workspaceId, sha256);
    GroupAccess access(rows_, caller.id);
    return images.empty() || std::any_of(images.begin(), images.end(), [&](const SyncRow& image) {
               return access.canSee(image);
           });
}
