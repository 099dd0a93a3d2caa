#include "GroupAccess.h"

bool GroupAccess::isMember(const QString& groupId, const QString& userId) {
    if (const std::optional<SyncRow> member = rows_.row(QStringLiteral("group_members"), memberKey(groupId, userId)))
        return !member->deleted && member->data.value("removed_at").isNull();
    // A group's creator belongs to it until a member row says otherwise.
    const std::optional<SyncRow> group = rows_.row(QStringLiteral("groups"), groupId);
    return group && group->data.value("created_by").toString() == userId;
}

bool GroupAccess::canSeeGroup(const QString& groupId) {
    const auto known = groups_.constFind(groupId);
    if (known != groups_.cend())
        return *known;
    const std::optional<SyncRow> group = rows_.row(QStringLiteral("groups"), groupId);
    // Desktop clients take a group without a visibility for a private one.
    const bool open = !group || group->data.value("visibility").toString() == QLatin1String("workspace");
    const bool visible = open || isMember(groupId, userId_);
    groups_.insert(groupId, visible);
    return visible;
}

std::optional<QString> GroupAccess::groupOf(const SyncRow& row) {
    if (row.table == QLatin1String("groups"))
        return row.id;
    if (row.table == QLatin1String("group_members") || row.table == QLatin1String("captures") || !row.parentId)
        return row.parentId;
    const QString& captureId = *row.parentId;
    auto known = captureGroups_.constFind(captureId);
    if (known == captureGroups_.cend()) {
        const std::optional<SyncRow> capture = rows_.row(QStringLiteral("captures"), captureId);
        known = captureGroups_.insert(captureId, capture ? capture->parentId : std::nullopt);
    }
    return *known;
}

bool GroupAccess::canSee(const SyncRow& row) {
    if (row.table == QLatin1String("group_members") && row.data.value("user_id").toString() == userId_)
        return true;
    const std::optional<QString> group = groupOf(row);
    return !group || canSeeGroup(*group);
}
