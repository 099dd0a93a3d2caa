#include "ChangeApplier.h"

#include "ActivityRecorder.h"
#include "TableSchema.h"
#include "NewRowUnderCapture.h"
#include "common/Wire.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QJsonValue nowStamp() {
    return Wire::stamp(QDateTime::currentDateTimeUtc());
}

QJsonObject verdict(const QString& id, const QString& status, std::int64_t version) {
    return {{"id", id}, {"status", status}, {"version", qint64(version)}};
}

QJsonObject rejected(const QString& id, const QString& reason, bool retry) {
    return {{"id", id}, {"status", "rejected"}, {"reason", reason}, {"retry", retry}};
}

// A row filed under a capture or group the caller cannot see is answered as
// under one no one has: it may simply not have been pushed yet.
QJsonObject notArrived(const QString& id, const char* parent) {
    return rejected(id, QStringLiteral("its %1 has not reached the server yet").arg(QLatin1String(parent)), true);
}

QString shownValue(const QJsonValue& v) {
    if (v.isString())
        return v.toString();
    if (v.isNull() || v.isUndefined())
        return QStringLiteral("(empty)");
    if (v.isArray())
        return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
    return v.toVariant().toString();
}

} // namespace

ChangeApplier::ChangeApplier(SyncRowStore& rows, BlobStore& blobs, UserRecord caller, QString deviceId,
                             QSet<QString> workspaces)
    : rows_(rows), blobs_(blobs), caller_(std::move(caller)), deviceId_(std::move(deviceId)),
      workspaces_(std::move(workspaces)), access_(rows_, caller_.id) {}

bool ChangeApplier::readable(const SyncRow& row) {
    return workspaces_.contains(row.workspaceId) && access_.canSee(row);
}

// Whether a client can place the row: what hangs under a deleted capture went with it.
bool ChangeApplier::placeable(const SyncRow& row) {
    if (row.table == QLatin1String("captures") || row.table == QLatin1String("groups") ||
        row.table == QLatin1String("group_members") || !row.parentId)
        return true;
    const std::optional<SyncRow> capture = rows_.row(QStringLiteral("captures"), *row.parentId);
    return capture && !capture->deleted;
}

QJsonObject ChangeApplier::apply(const RowChange& given) {
    if (given.refusal)
        return rejected(given.id, *given.refusal, false);
    if (given.table == QLatin1String("group_members"))
        return applyMember(given);
    RowChange change = given;
    // Captures filed in a group that was just merged into the service's own.
    const QString group = change.patch.value("group_id").toString();
    if (change.table == QLatin1String("captures") && remappedGroups_.contains(group))
        change.patch.insert("group_id", remappedGroups_.value(group));

    std::optional<SyncRow> existing = rows_.row(change.table, change.id);
    if (existing && !readable(*existing))
        return unseen(change);
    QJsonObject verdict = judge(change, existing);
    if (existing && verdict.value("status") == QLatin1String("rejected") && !verdict.value("retry").toBool())
        if (std::optional<SyncRow> current = rows_.row(change.table, change.id); current && placeable(*current))
            resend_.push_back(std::move(*current));
    return verdict;
}

// Rows of workspaces or private groups the caller is not in do not exist to
// them: a change is answered as one to an id no one has would be, up to the
// point where that would create the row.
QJsonObject ChangeApplier::unseen(const RowChange& change) {
    if (change.isDelete)
        return remove(change, std::nullopt);
    if (auto refusal = valueRefusal(change))
        return *refusal;
    auto placement = place(change, std::nullopt);
    if (auto* refusal = std::get_if<QJsonObject>(&placement))
        return *refusal;
    return rejected(change.id, QStringLiteral("not permitted"), false);
}

std::optional<QJsonObject> ChangeApplier::valueRefusal(const RowChange& change) {
    const TableSchema::Table& table = *TableSchema::table(change.table);
    for (auto it = change.patch.begin(); it != change.patch.end(); ++it)
        if (auto error = TableSchema::valueError(*table.field(it.key()), it.value()))
            return rejected(change.id, *error, false);
    return std::nullopt;
}

QJsonObject ChangeApplier::judge(const RowChange& change, std::optional<SyncRow> existing) {
    const TableSchema::Table& table = *TableSchema::table(change.table);
    if (change.isDelete)
        return remove(change, std::move(existing));
    if (auto refusal = valueRefusal(change))
        return *refusal;
    if (existing && table.createOnly)
        return verdict(change.id, QStringLiteral("applied"), existing->version);
    if (existing && existing->deleted)
        return rejected(change.id, QStringLiteral("deleted on the server"), false);

    auto placement = place(change, existing);
    if (auto* refusal = std::get_if<QJsonObject>(&placement))
        return *refusal;
    const Placement& where = std::get<Placement>(placement);
    if (auto refusal = missingBlob(change, where.workspaceId))
        return *refusal;
    return existing ? update(change, std::move(*existing), where) : create(change, where);
}

std::variant<ChangeApplier::Placement, QJsonObject> ChangeApplier::place(const RowChange& change,
                                                                           const std::optional<SyncRow>& existing) {
    const TableSchema::Table& table = *TableSchema::table(change.table);
    const QJsonObject& patch = change.patch;
    if (table.workspaceField == QLatin1String("workspace_id")) {
        const QString workspace = patch.contains("workspace_id") ? patch.value("workspace_id").toString()
                                  : existing                     ? existing->workspaceId
                                                                 : QString();
        if (workspace.isEmpty())
            return rejected(change.id, QStringLiteral("workspace_id is required for a new row"), false);
        if (!workspaces_.contains(workspace))
            return rejected(change.id, QStringLiteral("not a member of that workspace"), false);
        std::optional<QString> parent = existing ? existing->parentId : std::nullopt;
        if (!table.parentField.isEmpty() && patch.contains(table.parentField))
            parent = Wire::str(patch.value(table.parentField));
        if (parent) {
            const auto group = rows_.row(QStringLiteral("groups"), *parent);
            if (!group || !readable(*group))
                return notArrived(change.id, "group");
            if (group->workspaceId != workspace)
                return rejected(change.id, QStringLiteral("its group belongs to another workspace"), false);
        }
        return Placement{workspace, parent};
    }

    // Images and comments live where their capture lives.
    const QString captureId = existing && existing->parentId ? *existing->parentId
                                                             : patch.value("capture_id").toString();
    if (existing && patch.contains("capture_id") && patch.value("capture_id").toString() != captureId)
        return rejected(change.id, QStringLiteral("a row cannot move to another capture"), false);
    if (captureId.isEmpty())
        return rejected(change.id, QStringLiteral("capture_id is required for a new row"), false);
    const auto capture = rows_.row(QStringLiteral("captures"), captureId);
    if (!capture || !readable(*capture))
        return notArrived(change.id, "capture");
    if (capture->deleted)
        return rejected(change.id, QStringLiteral("its capture was deleted"), false);
    return Placement{capture->workspaceId, captureId};
}

std::optional<QJsonObject> ChangeApplier::missingBlob(const RowChange& change, const QString& workspaceId) {
    for (const char* key : {"original_sha256", "marked_sha256", "thumb_sha256"}) {
        const auto sha = Wire::str(change.patch.value(QLatin1String(key)));
        if (sha && !blobs_.exists(workspaceId, *sha))
            return rejected(change.id, QStringLiteral("file %1 has not been uploaded").arg(sha->left(12)), true);
    }
    return std::nullopt;
}

QJsonObject ChangeApplier::create(const RowChange& change, const Placement& where) {
    SyncRow row;
    row.table = change.table;
    row.id = change.id;
    row.workspaceId = where.workspaceId;
    row.parentId = where.parentId;
    row.version = 1;
    row.data = change.patch;
    for (auto it = change.patch.begin(); it != change.patch.end(); ++it) {
        row.fieldVersions.insert(it.key(), 1);
        row.fieldDevices.insert(it.key(), deviceId_);
    }
    if (!row.data.contains("created_at"))
        row.data.insert("created_at", nowStamp());
    if (change.table == QLatin1String("groups"))
        row.data.insert("created_by", caller_.id);
    else
        row.data.insert("author_id", caller_.id);
    if (change.table == QLatin1String("comments") && Wire::str(row.data.value("actor_label")) == std::nullopt)
        row.data.insert("actor_label", caller_.name);
    // Who wrote a comment is the service's word (the pusher sends no author),
    // so the comment goes back to its pusher too, in this same reply.
    row.originDevice = change.table == QLatin1String("comments") ? std::nullopt : std::optional(deviceId_);
    if (change.table == QLatin1String("groups"))
        if (auto merged = nameClash(change, row))
            return *merged;
    save(row);
    if (change.table == QLatin1String("groups")) {
        saveMember(row, caller_.id, QJsonValue::Null);
        access_.forget();
    }
    if (change.table == QLatin1String("captures"))
        for (SyncRow& entry : ActivityRecorder::forCapture(std::nullopt, row, caller_))
            save(entry);
    return verdict(change.id, QStringLiteral("applied"), row.version);
}

// Group names are unique in a workspace (every desktop library insists on
// it). A new group named like one the caller can see is that group; named
// like a private group the caller may not know of, it takes a free name and
// comes back to the caller under it.
std::optional<QJsonObject> ChangeApplier::nameClash(const RowChange& change, SyncRow& group) {
    const QString name = group.data.value("name").toString();
    bool hiddenClash = false;
    for (const SyncRow& other : rows_.groupsNamed(group.workspaceId, name)) {
        if (!access_.canSeeGroup(other.id)) {
            hiddenClash = true;
            continue;
        }
        remappedGroups_.insert(change.id, other.id);
        resend_.push_back(other);
        QJsonObject remapped = verdict(change.id, QStringLiteral("remapped"), other.version);
        remapped.insert("canonical_id", other.id);
        return remapped;
    }
    if (hiddenClash) {
        QString free;
        for (int n = 2; free.isEmpty(); ++n)
            if (rows_.groupsNamed(group.workspaceId, QStringLiteral("%1 (%2)").arg(name).arg(n)).empty())
                free = QStringLiteral("%1 (%2)").arg(name).arg(n);
        group.data.insert("name", free);
        group.originDevice.reset();
    }
    return std::nullopt;
}

// Who is in a group is changed by its members, one person at a time; the row
// is keyed by group and person, whatever id the pusher gave it.
QJsonObject ChangeApplier::applyMember(const RowChange& change) {
    if (change.isDelete)
        return rejected(change.id, QStringLiteral("a member is removed by setting removed_at"), false);
    const QString groupId = change.patch.value("group_id").toString();
    const QString userId = change.patch.value("user_id").toString();
    if (groupId.isEmpty() || userId.isEmpty())
        return rejected(change.id, QStringLiteral("group_id and user_id are required"), false);
    const std::optional<SyncRow> group = rows_.row(QStringLiteral("groups"), groupId);
    if (!group || !readable(*group))
        return notArrived(change.id, "group");
    if (group->deleted)
        return rejected(change.id, QStringLiteral("its group was deleted"), false);
    if (!access_.isMember(groupId, caller_.id))
        return rejected(change.id, QStringLiteral("only a group's members can change who is in it"), false);
    saveMember(*group, userId, change.patch.value("removed_at"));
    access_.forget();
    const auto member = rows_.row(QStringLiteral("group_members"), GroupAccess::memberKey(groupId, userId));
    return verdict(change.id, QStringLiteral("applied"), member ? member->version : 1);
}

void ChangeApplier::saveMember(const SyncRow& group, const QString& userId, const QJsonValue& removedAt) {
    SyncRow member;
    member.table = QStringLiteral("group_members");
    member.id = GroupAccess::memberKey(group.id, userId);
    if (const auto existing = rows_.row(member.table, member.id))
        member = *existing;
    member.workspaceId = group.workspaceId;
    member.parentId = group.id;
    member.version += 1;
    member.data = {{"group_id", group.id}, {"user_id", userId}, {"removed_at", removedAt.isUndefined() ? QJsonValue::Null : removedAt}};
    save(member);
}

QJsonObject ChangeApplier::update(const RowChange& change, SyncRow row, const Placement& where) {
    // Only a push made on top of the current version leaves the pusher with
    // nothing to learn; after anyone else's change it must pull the row.
    const bool fastForward = change.baseVersion == row.version;
    const std::int64_t version = row.version + 1;
    const QJsonObject before = row.data;
    if (change.table == QLatin1String("groups") && change.patch.contains("name")) {
        const QString name = change.patch.value("name").toString();
        for (const SyncRow& other : rows_.groupsNamed(row.workspaceId, name))
            if (other.id != row.id)
                return rejected(change.id, QStringLiteral("a group named \"%1\" exists already").arg(name.left(80)),
                                false);
    }
    QStringList conflicts;
    for (auto it = change.patch.begin(); it != change.patch.end(); ++it) {
        // A value sent again unchanged (a resent row) is no change: the field
        // keeps its version and author, so no one else's edit conflicts with it.
        if (row.data.contains(it.key()) && row.data.value(it.key()) == it.value())
            continue;
        const std::int64_t changedAt = row.fieldVersions.value(it.key()).toInteger(0);
        const bool changedElsewhere = row.fieldDevices.value(it.key()).toString() != deviceId_;
        if (changedAt > change.baseVersion && changedElsewhere) {
            conflicts << it.key();
            continue;
        }
        row.data.insert(it.key(), it.value());
        row.fieldVersions.insert(it.key(), qint64(version));
        row.fieldDevices.insert(it.key(), deviceId_);
    }
    const bool moved = where.workspaceId != row.workspaceId;
    const std::optional<QString> previous = moved ? std::optional(row.workspaceId) : row.previousWorkspaceId;
    row.workspaceId = where.workspaceId;
    row.parentId = where.parentId;
    row.version = version;
    row.originDevice = fastForward && conflicts.isEmpty() ? std::optional(deviceId_) : std::nullopt;
    save(row, previous);
    if (change.table == QLatin1String("captures"))
        for (SyncRow& entry : ActivityRecorder::forCapture(before, row, caller_))
            save(entry);
    if (moved && change.table == QLatin1String("captures"))
        moveChildren(row.id, row.workspaceId);
    if (conflicts.isEmpty())
        return verdict(change.id, QStringLiteral("applied"), version);
    if (change.table == QLatin1String("captures"))
        noteConflicts(row, conflicts, change.patch);
    QJsonObject merged = verdict(change.id, QStringLiteral("merged"), version);
    merged.insert("conflicts", QJsonArray::fromStringList(conflicts));
    return merged;
}

QJsonObject ChangeApplier::remove(const RowChange& change, std::optional<SyncRow> existing) {
    if (!existing)
        return verdict(change.id, QStringLiteral("applied"), 0);
    if (existing->deleted)
        return verdict(change.id, QStringLiteral("applied"), existing->version);
    existing->deleted = true;
    existing->version += 1;
    existing->data.insert("deleted_at", nowStamp());
    existing->originDevice = deviceId_;
    save(*existing, existing->previousWorkspaceId);
    return verdict(change.id, QStringLiteral("applied"), existing->version);
}

void ChangeApplier::moveChildren(const QString& captureId, const QString& workspaceId) {
    for (const char* table : {"capture_images", "comments", "activity"}) {
        for (SyncRow child : rows_.children(QLatin1String(table), {captureId})) {
            const QString previous = child.workspaceId;
            child.workspaceId = workspaceId;
            child.originDevice.reset();
            save(child, previous);
        }
    }
}

void ChangeApplier::noteConflicts(const SyncRow& capture, const QStringList& fields, const QJsonObject& patch) {
    for (const QString& field : fields) {
        SyncRow note = newRowUnderCapture(
            capture, QStringLiteral("comments"),
            {{"body", QStringLiteral("%1's version of %2: %3")
                          .arg(caller_.name, field, shownValue(patch.value(field)).left(4000))},
             {"created_at", nowStamp()},
             {"is_agent", false},
             {"author_id", caller_.id},
             {"actor_label", caller_.name},
             {"kind", "conflict"}});
        save(note);
    }
}

void ChangeApplier::save(SyncRow& row, const std::optional<QString>& previousWorkspace) {
    row.previousWorkspaceId = previousWorkspace;
    row.data.insert("updated_at", nowStamp());
    rows_.save(row);
    touched_.insert(row.workspaceId);
    if (previousWorkspace)
        touched_.insert(*previousWorkspace);
}
