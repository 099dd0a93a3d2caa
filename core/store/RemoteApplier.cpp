// Writing rows that arrive from the workspace service. A remote row never
// overwrites a field that is still waiting to be pushed from here, and never
// brings back a row whose deletion has not been pushed yet.
#include "RemoteApplier.h"

#include "CaptureStore.h"

#include "RecordFields.h"
#include "common/Identifiers.h"
#include "common/Wire.h"

using RecordFields::now;

namespace {

// The columns one remote row writes, leaving out those whose wire field is
// still pending locally so the local value survives until it is pushed.
class RemoteColumns {
public:
    explicit RemoteColumns(const QSet<QString>& pending) : pending_(pending) {}

    void set(const QString& column, SQLValue value) {
        names_ << column;
        values_.push_back(std::move(value));
    }
    void setUnlessPending(const QString& wireKey, const QString& column, SQLValue value) {
        if (!pending_.contains(wireKey))
            set(column, std::move(value));
    }
    void setUnlessPending(const QString& column, SQLValue value) { setUnlessPending(column, column, std::move(value)); }
    // A row with nothing pending now matches the service.
    void markSyncedWhenNothingPending() {
        if (!pending_.isEmpty())
            return;
        set("sync_state", "synced");
        set("pending", SQLValue::null());
    }

    void update(Database& db, const QString& table, const QString& id) const {
        if (names_.isEmpty())
            return;
        std::vector<SQLValue> params = values_;
        params.emplace_back(id);
        db.execute("UPDATE " + table + " SET " + names_.join(" = ?, ") + " = ? WHERE id = ?;", params);
    }
    void insert(Database& db, const QString& table) const {
        const QStringList placeholders(names_.size(), QStringLiteral("?"));
        db.execute("INSERT INTO " + table + " (" + names_.join(", ") + ") VALUES (" + placeholders.join(", ") + ");",
                   values_);
    }

private:
    const QSet<QString>& pending_;
    QStringList names_;
    std::vector<SQLValue> values_;
};

SQLValue text(const QJsonObject& row, const char* key) {
    return SQLValue::string(Wire::str(row.value(QLatin1String(key))));
}

SQLValue textOr(const QJsonObject& row, const char* key, const QString& fallback) {
    return Wire::str(row.value(QLatin1String(key))).value_or(fallback);
}

SQLValue integer(const QJsonObject& row, const char* key) {
    return SQLValue(std::int64_t(Wire::integer(row.value(QLatin1String(key)))));
}

SQLValue date(const QJsonObject& row, const char* key) {
    return SQLValue::date(Wire::date(row.value(QLatin1String(key))));
}

SQLValue dateOrNow(const QJsonObject& row, const char* key) {
    return SQLValue::date(Wire::date(row.value(QLatin1String(key))).value_or(now()));
}

bool isDeleted(const QJsonObject& row) {
    return Wire::date(row.value(QLatin1String("deleted_at"))).has_value();
}

QString idOf(const QJsonObject& row, const char* key = "id") {
    return Wire::str(row.value(QLatin1String(key))).value_or(QString());
}

} // namespace

RemoteApplier::RemoteApplier(CaptureStore& store) : store_(store), db_(store.db_.get()), ledger_(store) {}

// MARK: shared steps

bool RemoteApplier::acceptsRemoteIDs(const QJsonObject& row, const QString& table,
                                    std::initializer_list<const char*> required,
                                    std::initializer_list<const char*> optional) {
    for (const char* key : required)
        if (!Wire::str(row.value(QLatin1String(key))))
            return false;
    // Service ids name rows here and, later, files; one that could leave its
    // folder (or is just malformed) keeps the whole row out.
    for (const auto& keys : {required, optional}) {
        for (const char* key : keys) {
            const std::optional<QString> id = Wire::str(row.value(QLatin1String(key)));
            if (id && !Identifiers::isSafe(*id)) {
                ledger_.log("warn", QStringLiteral("Skipped a remote %1 row %2: its %3 is not a safe identifier")
                                .arg(table, idOf(row).right(8), QLatin1String(key)));
                return false;
            }
        }
    }
    return true;
}

QSet<QString> RemoteApplier::locallyPendingFields(const QString& table, const QString& id, bool& exists) {
    const auto rows = db_->query("SELECT sync_state, pending FROM " + table + " WHERE id = ?;", {id});
    exists = !rows.empty();
    if (!exists || rows.front().string("sync_state") != u"pendingPush")
        return {};
    return pendingKeysOf(rows.front().string("pending"));
}

// MARK: rows

void RemoteApplier::applyRemoteCapture(const QJsonObject& row) {
    const QString table = QStringLiteral("captures");
    if (!acceptsRemoteIDs(row, table, {"id"},
                          {"workspace_id", "group_id", "author_id", "assignee_id", "claimed_by_id"}))
        return;
    const QString id = idOf(row);
    if (isDeleted(row)) {
        dropCapture(id);
        return;
    }
    // The row and its tags land together or not at all.
    db_->transaction([&] {
        bool exists = false;
        const QSet<QString> pending = locallyPendingFields(table, id, exists);
        if (pending.contains("delete"))
            return;

        RemoteColumns columns(pending);
        columns.setUnlessPending("note", textOr(row, "note", ""));
        columns.setUnlessPending("status", textOr(row, "status", rawValue(CaptureStatus::open)));
        columns.setUnlessPending("priority", textOr(row, "priority", rawValue(CapturePriority::normal)));
        for (const char* key : {"group_id", "assignee_id", "app_name", "app_bundle_id", "window_title", "url",
                                "display_name"})
            columns.setUnlessPending(key, text(row, key));
        columns.setUnlessPending("display_scale", Wire::real(row.value("display_scale")));
        columns.setUnlessPending("capture_mode", textOr(row, "capture_mode", rawValue(CaptureMode::region)));
        columns.setUnlessPending("claimed_by_id", text(row, "claimed_by_id"));
        columns.setUnlessPending("claimed_label", "claimed_by", text(row, "claimed_label"));
        columns.setUnlessPending("claimed_at", date(row, "claimed_at"));
        columns.setUnlessPending("resolved_at", date(row, "resolved_at"));
        columns.setUnlessPending("resolution_ref", text(row, "resolution_ref"));
        columns.setUnlessPending("workspace_id", text(row, "workspace_id"));
        columns.setUnlessPending("author_id", text(row, "author_id"));
        columns.setUnlessPending("updated_at", dateOrNow(row, "updated_at"));
        columns.setUnlessPending("version", integer(row, "version"));
        columns.setUnlessPending("local_only", 0);
        columns.markSyncedWhenNothingPending();

        if (exists) {
            columns.update(*db_, table, id);
        } else {
            // A row we do not have has nothing pending, so it is already marked synced.
            columns.set("id", id);
            columns.set("created_at", dateOrNow(row, "created_at"));
            columns.set("image_path", "");
            columns.set("dirty", 0);
            columns.insert(*db_, table);
        }

        if (!pending.contains("tags") && row.value("tags").isArray())
            store_.replaceTags(Wire::strings(row.value("tags")), id);
    });
}

void RemoteApplier::applyRemoteGroup(const QJsonObject& row) {
    const QString table = QStringLiteral("groups");
    if (!acceptsRemoteIDs(row, table, {"id"}, {"workspace_id", "created_by", "default_assignee_id"}))
        return;
    const QString id = idOf(row);
    if (isDeleted(row)) {
        db_->execute("DELETE FROM groups WHERE id = ?;", {id});
        return;
    }
    bool exists = false;
    const QSet<QString> pending = locallyPendingFields(table, id, exists);
    if (pending.contains("delete"))
        return;

    RemoteColumns columns(pending);
    columns.setUnlessPending("workspace_id", text(row, "workspace_id"));
    columns.setUnlessPending("visibility", textOr(row, "visibility", rawValue(GroupVisibility::isPrivate)));
    columns.setUnlessPending("created_by", text(row, "created_by"));
    columns.setUnlessPending("default_assignee_id", text(row, "default_assignee_id"));
    columns.setUnlessPending("version", integer(row, "version"));
    columns.setUnlessPending("updated_at", dateOrNow(row, "updated_at"));
    columns.setUnlessPending("name", textOr(row, "name", "Untitled"));
    columns.setUnlessPending("color_hex", textOr(row, "color_hex", CaptureGroup::defaultColor));
    columns.setUnlessPending("archived_at", date(row, "archived_at"));
    columns.markSyncedWhenNothingPending();

    if (exists) {
        // The service's creation time stands, also for a group made here
        // that it merged into one of its own.
        if (Wire::date(row.value("created_at")))
            columns.set("created_at", date(row, "created_at"));
        columns.update(*db_, table, id);
        return;
    }
    // A group made here under the same name and not pushed yet is this one
    // (the service would answer so): it yields its name and its captures.
    const auto twin = db_->query("SELECT id FROM groups WHERE COALESCE(workspace_id, '') = COALESCE(?, '') AND name = ? "
                                 "AND deleted_at IS NULL AND sync_state = 'pendingPush' AND pending LIKE '%\"*\"%';",
                                 {text(row, "workspace_id"), textOr(row, "name", "Untitled")});
    if (!twin.empty())
        db_->execute("UPDATE groups SET name = name || ' ' || id WHERE id = ?;", {twin.front().string("id").value_or("")});
    columns.set("id", id);
    columns.set("created_at", dateOrNow(row, "created_at"));
    columns.set("dirty", 0);
    columns.insert(*db_, table);
    if (!twin.empty())
        remapGroup(twin.front().string("id").value_or(""), id);
}

void RemoteApplier::applyRemoteImage(const QJsonObject& row) {
    const QString table = QStringLiteral("capture_images");
    if (!acceptsRemoteIDs(row, table, {"id", "capture_id"}))
        return;
    const QString id = idOf(row);
    if (isDeleted(row)) {
        dropImage(id);
        return;
    }
    const std::optional<CaptureImage> existing = store_.imageIncludingDeleted(id);
    bool exists = false;
    const QSet<QString> pending = locallyPendingFields(table, id, exists);
    if (pending.contains("delete"))
        return;

    const std::optional<QString> marked = Wire::str(row.value("marked_sha256"));
    const std::optional<QString> thumb = Wire::str(row.value("thumb_sha256"));
    RemoteColumns columns(pending);
    columns.setUnlessPending("original_sha256", text(row, "original_sha256"));
    if (!pending.contains("marked_sha256")) {
        columns.set("marked_sha256", SQLValue::string(marked));
        // A new marked copy has to be downloaded; the old file no longer matches.
        if (existing && existing->markedSHA256 != marked)
            columns.set("annotated_path", SQLValue::null());
    }
    if (!pending.contains("thumb_sha256")) {
        columns.set("thumb_sha256", SQLValue::string(thumb));
        if (existing && existing->thumbSHA256 != thumb)
            columns.set("thumb_path", SQLValue::null());
    }
    columns.setUnlessPending("annotation_json", SQLValue::string(Wire::json(row.value("annotation_json"))));
    for (const char* key : {"position", "width", "height", "bytes", "version"})
        columns.setUnlessPending(key, integer(row, key));
    columns.markSyncedWhenNothingPending();

    const QString captureID = existing ? existing->captureID : idOf(row, "capture_id");
    if (existing) {
        columns.update(*db_, table, id);
    } else {
        // Its files are fetched afterwards by the blob transfer.
        columns.set("id", id);
        columns.set("capture_id", captureID);
        columns.set("image_path", "");
        columns.set("created_at", dateOrNow(row, "created_at"));
        columns.set("dirty", 0);
        columns.insert(*db_, table);
    }
    store_.refreshCover(captureID);
}

void RemoteApplier::applyRemoteComment(const QJsonObject& row) {
    if (!acceptsRemoteIDs(row, "comments", {"id", "capture_id"}, {"author_id"}))
        return;
    const QString id = idOf(row);
    if (isDeleted(row)) {
        db_->execute("DELETE FROM comments WHERE id = ?;", {id});
        return;
    }
    const std::optional<QString> authorID = Wire::str(row.value("author_id"));
    const std::optional<QString> actorLabel = Wire::str(row.value("actor_label"));
    // The label the service keeps with the comment reads the same on every
    // computer; without one, the author as this library knows them.
    QString author;
    if (actorLabel)
        author = *actorLabel;
    else if (authorID && authorID == store_.currentUserID())
        author = QStringLiteral("you");
    else
        author = personName(authorID).value_or(QStringLiteral("someone"));

    db_->execute("INSERT INTO comments (id, capture_id, author, is_agent, body, created_at, author_id, actor_label, "
                 "kind, sync_state) VALUES (?,?,?,?,?,?,?,?,?,'synced') "
                 "ON CONFLICT(id) DO UPDATE SET body = excluded.body, actor_label = excluded.actor_label, "
                 "kind = excluded.kind, author = excluded.author, is_agent = excluded.is_agent, "
                 "author_id = excluded.author_id, sync_state = 'synced';",
                 {id, idOf(row, "capture_id"), author, SQLValue::boolean(Wire::boolean(row.value("is_agent"))),
                  textOr(row, "body", ""), dateOrNow(row, "created_at"), SQLValue::string(authorID),
                  SQLValue::string(actorLabel), textOr(row, "kind", Comment().kind)});
}

void RemoteApplier::applyRemoteActivity(const QJsonObject& row) {
    if (!acceptsRemoteIDs(row, "activity", {"id", "capture_id"}, {"actor_id"}))
        return;
    const std::optional<QString> kind = Wire::str(row.value("kind"));
    const std::optional<QDateTime> createdAt = Wire::date(row.value("created_at"));
    if (!kind || !createdAt)
        return;
    const QString captureID = idOf(row, "capture_id");

    // The service's copy of something recorded here moments ago: keep ours.
    const auto echoes = db_->query("SELECT 1 AS one FROM activity WHERE capture_id = ? AND kind = ? AND remote = 0 "
                                   "AND ABS(created_at - ?) < 90 LIMIT 1;",
                                   {captureID, *kind, SQLValue::date(createdAt)});
    if (!echoes.empty())
        return;

    const std::optional<QString> actorID = Wire::str(row.value("actor_id"));
    QString actor = personName(actorID).value_or(
        Wire::str(row.value("actor_label")).value_or(QStringLiteral("someone")));
    if (actorID && actorID == store_.currentUserID())
        actor = store_.currentUserName().value_or(actor);
    store_.recordActivity(captureID, *kind, Wire::str(row.value("detail")).value_or(QString()), actor, idOf(row),
                          *createdAt, actorID, true);
}

void RemoteApplier::applyRemoteGroupMember(const QJsonObject& row) {
    if (!acceptsRemoteIDs(row, "group_members", {"group_id", "user_id"}))
        return;
    db_->execute("INSERT OR REPLACE INTO group_members (group_id, user_id, removed_at) VALUES (?,?,?);",
                 {idOf(row, "group_id"), idOf(row, "user_id"), date(row, "removed_at")});
}

// MARK: people and workspaces

void RemoteApplier::applyRemotePerson(const QJsonObject& row) {
    if (!acceptsRemoteIDs(row, "people", {"id"}))
        return;
    Person person;
    person.id = idOf(row);
    person.name = Wire::str(row.value("name")).value_or(person.name);
    person.email = Wire::str(row.value("email"));
    person.imageURL = Wire::str(row.value("image"));
    if (!person.imageURL)
        person.imageURL = Wire::str(row.value("image_url"));
    person.kind = Wire::str(row.value("kind")).value_or(person.kind);
    upsertPerson(person);
}

void RemoteApplier::upsertPerson(const Person& person) {
    // A row without an e-mail never erases one we already know.
    db_->execute("INSERT INTO people (id, name, email, image_url, kind, updated_at) VALUES (?,?,?,?,?,?) "
                 "ON CONFLICT(id) DO UPDATE SET name = excluded.name, image_url = excluded.image_url, "
                 "kind = excluded.kind, updated_at = excluded.updated_at, "
                 "email = COALESCE(excluded.email, people.email);",
                 {person.id, person.name, SQLValue::string(person.email), SQLValue::string(person.imageURL),
                  person.kind, SQLValue::now()});
}

void RemoteApplier::replaceWorkspaces(const std::vector<Workspace>& workspaces) {
    db_->transaction([&] {
        db_->execute("DELETE FROM workspaces;");
        for (const Workspace& w : workspaces)
            db_->execute("INSERT INTO workspaces (id, name, slug, role, settings_json, updated_at) "
                         "VALUES (?,?,?,?,?,?);",
                         {w.id, w.name, w.slug, w.role, SQLValue::string(w.settingsJSON), SQLValue::now()});
    });
}

std::optional<QString> RemoteApplier::personName(const std::optional<QString>& id) {
    if (!id)
        return std::nullopt;
    const auto rows = db_->query("SELECT name FROM people WHERE id = ?;", {*id});
    return rows.empty() ? std::nullopt : rows.front().string("name");
}

void RemoteApplier::remapGroup(const QString& from, const QString& to) {
    // The service says a group made here is the same as one of its own.
    db_->transaction([&] {
        const auto ours = db_->query("SELECT name FROM groups WHERE id = ?;", {from});
        if (!ours.empty() && db_->query("SELECT 1 AS one FROM groups WHERE id = ?;", {to}).empty()) {
            // The service's row comes later in the same reply: ours stands in
            // for it under its id (and, for a moment, yields its name).
            db_->execute("UPDATE groups SET name = name || ' ' || id WHERE id = ?;", {from});
            db_->execute("INSERT INTO groups (id, name, color_hex, path, created_at, updated_at, sync_state, dirty, "
                         "deleted_at, workspace_id, visibility, created_by, default_assignee_id, archived_at, version, "
                         "pending) SELECT ?, ?, color_hex, path, created_at, updated_at, 'synced', 0, deleted_at, "
                         "workspace_id, visibility, created_by, default_assignee_id, archived_at, 0, NULL "
                         "FROM groups WHERE id = ?;",
                         {to, ours.front().string("name").value_or(QString()), from});
        }
        db_->execute("UPDATE captures SET group_id = ? WHERE group_id = ?;", {to, from});
        db_->execute("DELETE FROM groups WHERE id = ?;", {from});
    });
}
