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
        cursor = rows_.latestSeq();
    });
    for (const QString& workspace : applier.touchedWorkspaces())
        feed_.publish(workspace, cursor);
    return reply;
}

QJsonObject SyncService::reconcile(const UserRecord& caller, const ReconcileRequest& request) {
    const QStringList live = rows_.liveCaptureIds(readableWorkspaces(caller));
    const QSet<QString> liveSet(live.begin(), live.end());
    const QSet<QString> held(request.captureIds.begin(), request.captureIds.end());
    QJsonArray drop, missing;
    for (const QString& id : request.captureIds)
        if (!liveSet.contains(id))
            drop.append(id);
    for (const QString& id : live)
        if (!held.contains(id))
            missing.append(id);
    return {{"drop", drop}, {"missing", missing}};
}
