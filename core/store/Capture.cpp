#include "Capture.h"

#include "RecordFields.h"
#include "ZorviPaths.h"

using namespace RecordFields;

namespace {

QString trimSpacesAndTabs(QString s) {
    qsizetype start = 0, end = s.size();
    while (start < end && (s[start] == u' ' || s[start] == u'\t'))
        ++start;
    while (end > start && (s[end - 1] == u' ' || s[end - 1] == u'\t'))
        --end;
    return s.mid(start, end - start);
}

} // namespace

Capture Capture::fromRow(const Row& r) {
    Capture c;
    c.id = idOrFresh(r);
    c.createdAt = dateOrNow(r, "created_at");
    c.updatedAt = dateOrNow(r, "updated_at");
    c.note = r.string("note").value_or(QString());
    c.status = captureStatusFromRaw(r.string("status").value_or(QString())).value_or(CaptureStatus::open);
    c.priority = capturePriorityFromRaw(r.string("priority").value_or(QString())).value_or(CapturePriority::normal);
    c.groupID = r.string("group_id");
    c.imagePath = r.string("image_path").value_or(QString());
    c.thumbPath = r.string("thumb_path");
    c.imageWidth = r.integer("image_width").value_or(0);
    c.imageHeight = r.integer("image_height").value_or(0);
    c.imageBytes = r.integer("image_bytes").value_or(0);
    c.captureMode = captureModeFromRaw(r.string("capture_mode").value_or(QString())).value_or(CaptureMode::region);
    c.context.appName = r.string("app_name");
    c.context.appBundleID = r.string("app_bundle_id");
    c.context.windowTitle = r.string("window_title");
    c.context.url = r.string("url");
    c.context.displayName = r.string("display_name");
    c.context.displayScale = r.real("display_scale").value_or(0);
    c.claimedBy = r.string("claimed_by");
    c.claimedAt = r.date("claimed_at");
    c.resolvedAt = r.date("resolved_at");
    c.resolutionRef = r.string("resolution_ref");
    c.remoteID = r.string("remote_id");
    c.syncState = syncStateFromRaw(r.string("sync_state").value_or(QString())).value_or(SyncState::local);
    c.dirty = r.boolean("dirty");
    c.deletedAt = r.date("deleted_at");
    c.workspaceID = r.string("workspace_id");
    c.authorID = r.string("author_id");
    c.assigneeID = r.string("assignee_id");
    c.claimedByID = r.string("claimed_by_id");
    c.version = r.integer("version").value_or(0);
    c.localOnly = r.boolean("local_only");
    return c;
}

QJsonObject Capture::toJson() const {
    QJsonObject j{{"id", id},
                  {"createdAt", dateJson(createdAt)},
                  {"updatedAt", dateJson(updatedAt)},
                  {"note", note},
                  {"status", rawValue(status)},
                  {"priority", rawValue(priority)},
                  {"imagePath", imagePath},
                  {"imageWidth", qint64(imageWidth)},
                  {"imageHeight", qint64(imageHeight)},
                  {"imageBytes", qint64(imageBytes)},
                  {"captureMode", rawValue(captureMode)},
                  {"displayScale", context.displayScale},
                  {"syncState", rawValue(syncState)},
                  {"dirty", dirty},
                  {"version", qint64(version)},
                  {"localOnly", localOnly}};
    put(j, "groupID", groupID);
    put(j, "thumbPath", thumbPath);
    put(j, "appName", context.appName);
    put(j, "appBundleID", context.appBundleID);
    put(j, "windowTitle", context.windowTitle);
    put(j, "url", context.url);
    put(j, "displayName", context.displayName);
    put(j, "claimedBy", claimedBy);
    put(j, "claimedAt", claimedAt);
    put(j, "resolvedAt", resolvedAt);
    put(j, "resolutionRef", resolutionRef);
    put(j, "remoteID", remoteID);
    put(j, "deletedAt", deletedAt);
    put(j, "workspaceID", workspaceID);
    put(j, "authorID", authorID);
    put(j, "assigneeID", assigneeID);
    put(j, "claimedByID", claimedByID);
    return j;
}

QString Capture::title() const {
    const qsizetype lf = note.indexOf(u'\n');
    const QString first = trimSpacesAndTabs(lf < 0 ? note : note.left(lf));
    if (!first.isEmpty())
        return first;
    QString fallback = hasImage() ? QStringLiteral("Untitled capture") : QStringLiteral("Untitled issue");
    if (context.appName)
        fallback += " in " + *context.appName;
    return fallback;
}

QString Capture::noteBody() const {
    const qsizetype lf = note.indexOf(u'\n');
    return lf < 0 ? QString() : note.mid(lf + 1).trimmed();
}

QString Capture::imageFile() const {
    return ZorviPaths::imageFile(imagePath);
}

std::optional<QString> Capture::thumbFile() const {
    if (!thumbPath)
        return std::nullopt;
    return ZorviPaths::thumbFile(*thumbPath);
}
