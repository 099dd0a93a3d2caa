#include "ChangePull.h"

#include <QJsonArray>

namespace {

QJsonObject change(const SyncRow& row) {
    return {{"table", row.table}, {"row", ChangePull::wireRow(row)}};
}

} // namespace

ChangePull::ChangePull(AccountStore& accounts, SyncRowStore& rows, QString userId, QStringList workspaces)
    : accounts_(accounts), rows_(rows), userId_(std::move(userId)), workspaces_(std::move(workspaces)),
      access_(rows_, userId_) {}

QJsonObject ChangePull::wireRow(const SyncRow& row) {
    QJsonObject out = row.data;
    out.insert("id", row.id);
    out.insert("version", qint64(row.version));
    if (row.table == QLatin1String("captures") || row.table == QLatin1String("groups"))
        out.insert("workspace_id", row.workspaceId);
    if (!row.deleted)
        out.insert("deleted_at", QJsonValue::Null);
    return out;
}

void ChangePull::fill(QJsonObject& reply, std::int64_t cursor, const QString& deviceId, const QStringList& fullGroups) {
    QJsonArray changes, dropped, resync;
    const std::int64_t latest = rows_.latestSeq();
    bool more = false;
    std::int64_t next = latest;
    if (cursor > latest) {
        // A cursor from a feed this service never wrote (a restored or
        // replaced database): the caller must start over.
        if (!workspaces_.isEmpty())
            resync.append(QJsonObject{{"id", QStringLiteral("workspace:") + workspaces_.first()}});
    } else {
        std::vector<SyncRow> page = rows_.rowsAfter(cursor, workspaces_, pageSize + 1);
        more = page.size() > std::size_t(pageSize);
        if (more) {
            page.resize(pageSize);
            next = page.back().seq;
        }
        QSet<QString> sentAhead;
        for (const SyncRow& row : page) {
            if (!workspaces_.contains(row.workspaceId)) {
                if (row.table == QLatin1String("captures"))
                    dropped.append(row.id);
                continue;
            }
            const bool visible = access_.canSee(row);
            // A first pull already reads everything through today's membership.
            if (cursor > 0)
                noteAccessChange(row, visible, cursor, resync, dropped);
            if (!visible || row.originDevice == deviceId || !sendParentAhead(row, next, deviceId, changes, sentAhead))
                continue;
            changes.append(change(row));
            sendWhatCameIntoView(row, cursor, changes);
        }
    }
    addFullGroups(changes, resync, fullGroups);

    QJsonArray people;
    for (const PersonRecord& p : accounts_.peopleChangedAfter(workspaces_, cursor > latest ? 0 : cursor))
        people.append(QJsonObject{{"id", p.id}, {"name", p.name}, {"email", p.email}, {"image", QJsonValue::Null},
                                  {"kind", "person"}});

    reply.insert("changes", changes);
    reply.insert("people", people);
    reply.insert("cursor", qint64(next));
    reply.insert("more", more);
    reply.insert("dropped_captures", dropped);
    reply.insert("dropped_workspaces",
                 QJsonArray::fromStringList(accounts_.departuresAfter(userId_, cursor > latest ? 0 : cursor)));
    reply.insert("resync_groups", resync);
}

// Rows come in the order they last changed, so a screenshot or comment can
// be due pages before its capture was last edited, and a capture before its
// group: the client could not place it. The parent comes along ahead of its
// turn (its turn repeats it harmlessly). What hangs under a deleted capture
// stays behind: the capture's deletion takes it along on every device.
bool ChangePull::sendParentAhead(const SyncRow& row, std::int64_t pageEnd, const QString& deviceId, QJsonArray& changes,
                                 QSet<QString>& sentAhead) {
    if (!row.parentId)
        return true;
    const bool underCapture = row.table != QLatin1String("captures");
    const std::optional<SyncRow> parent =
        rows_.row(underCapture ? QStringLiteral("captures") : QStringLiteral("groups"), *row.parentId);
    if (!parent)
        return true;
    if (parent->deleted)
        return !underCapture;
    if (parent->seq <= pageEnd || parent->originDevice == deviceId || !workspaces_.contains(parent->workspaceId) ||
        sentAhead.contains(parent->id))
        return true;
    sendParentAhead(*parent, pageEnd, deviceId, changes, sentAhead); // a capture's group
    sentAhead.insert(parent->id);
    changes.append(change(*parent));
    return true;
}

// A capture filed out of a private group the caller is not in into one they
// see brings what hangs under it: their cursor went past those rows while
// they were hidden. Versions do not tell whether the move came after the
// caller's cursor, so a capture ever moved brings them each time it comes
// (again, harmlessly, to those who had them).
void ChangePull::sendWhatCameIntoView(const SyncRow& capture, std::int64_t cursor, QJsonArray& changes) {
    if (cursor == 0 || capture.table != QLatin1String("captures") || capture.deleted ||
        capture.fieldVersions.value(QStringLiteral("group_id")).toInteger(0) <= 1)
        return;
    for (const char* table : {"capture_images", "comments", "activity"})
        for (const SyncRow& child : rows_.children(QLatin1String(table), {capture.id}))
            if (child.seq <= cursor && !child.deleted)
                changes.append(change(child));
}

void ChangePull::noteAccessChange(const SyncRow& row, bool visible, std::int64_t cursor, QJsonArray& resync,
                                  QJsonArray& dropped) {
    const auto groupOrder = [&](const QString& id, bool keep) {
        QJsonObject order{{"id", id}};
        if (!keep)
            order.insert("mode", "drop");
        resync.append(order);
    };
    const auto changedNow = [&](const char* field) {
        return row.version > 1 && row.fieldVersions.value(QLatin1String(field)).toInteger(0) == row.version;
    };
    if (row.table == QLatin1String("group_members") && row.data.value("user_id").toString() == userId_ && row.parentId) {
        // A group created after the caller's cursor has no rows they skipped.
        const auto group = rows_.row(QStringLiteral("groups"), *row.parentId);
        const bool keep = access_.canSeeGroup(*row.parentId);
        if (!keep || !(group && group->version == 1 && group->seq > cursor))
            groupOrder(*row.parentId, keep);
    } else if (row.table == QLatin1String("groups") && changedNow("visibility")) {
        groupOrder(row.id, visible);
    } else if (row.table == QLatin1String("captures") && !visible && changedNow("group_id")) {
        dropped.append(row.id); // filed into a private group the caller is not in
    }
}

void ChangePull::addFullGroups(QJsonArray& changes, QJsonArray& resync, const QStringList& groupIds) {
    for (const QString& id : groupIds) {
        // Whole groups up to a budget of rows per reply; the client asks
        // again for the ones named here.
        if (changes.size() >= fullGroupRowBudget) {
            resync.append(QJsonObject{{"id", id}, {"mode", "full"}});
            continue;
        }
        const auto group = rows_.row(QStringLiteral("groups"), id);
        if (!group || group->deleted || !workspaces_.contains(group->workspaceId) || !access_.canSeeGroup(id)) {
            resync.append(QJsonObject{{"id", id}, {"mode", "drop"}});
            continue;
        }
        changes.append(change(*group));
        QStringList captureIds;
        for (const SyncRow& member : rows_.children(QStringLiteral("group_members"), {id}))
            changes.append(change(member));
        for (const SyncRow& capture : rows_.children(QStringLiteral("captures"), {id})) {
            if (!workspaces_.contains(capture.workspaceId))
                continue;
            changes.append(change(capture));
            // A deleted capture's deletion takes its rows along.
            if (!capture.deleted)
                captureIds << capture.id;
        }
        for (const char* table : {"capture_images", "comments", "activity"})
            for (const SyncRow& row : rows_.children(QLatin1String(table), captureIds))
                changes.append(change(row));
    }
}
