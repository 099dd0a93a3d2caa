#include "CaptureGroup.h"

#include "RecordFields.h"

using namespace RecordFields;

CaptureGroup CaptureGroup::fromRow(const Row& r) {
    CaptureGroup g;
    g.id = idOrFresh(r);
    g.name = r.string("name").value_or(QStringLiteral("Untitled"));
    g.colorHex = r.string("color_hex").value_or(defaultColor);
    g.path = r.string("path");
    g.createdAt = dateOrNow(r, "created_at");
    g.updatedAt = dateOrNow(r, "updated_at");
    g.remoteID = r.string("remote_id");
    g.syncState = syncStateFromRaw(r.string("sync_state").value_or(QString())).value_or(SyncState::local);
    g.dirty = r.boolean("dirty");
    g.deletedAt = r.date("deleted_at");
    g.workspaceID = r.string("workspace_id");
    g.visibility =
        groupVisibilityFromRaw(r.string("visibility").value_or(QString())).value_or(GroupVisibility::isPrivate);
    g.createdBy = r.string("created_by");
    g.defaultAssigneeID = r.string("default_assignee_id");
    g.archivedAt = r.date("archived_at");
    g.version = r.integer("version").value_or(0);
    return g;
}

QJsonObject CaptureGroup::toJson() const {
    QJsonObject j{{"id", id},
                  {"name", name},
                  {"colorHex", colorHex},
                  {"createdAt", dateJson(createdAt)},
                  {"updatedAt", dateJson(updatedAt)},
                  {"syncState", rawValue(syncState)},
                  {"dirty", dirty},
                  {"visibility", rawValue(visibility)},
                  {"version", qint64(version)}};
    put(j, "path", path);
    put(j, "remoteID", remoteID);
    put(j, "deletedAt", deletedAt);
    put(j, "workspaceID", workspaceID);
    put(j, "createdBy", createdBy);
    put(j, "defaultAssigneeID", defaultAssigneeID);
    put(j, "archivedAt", archivedAt);
    return j;
}
