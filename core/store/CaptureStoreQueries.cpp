// Read-only queries and counts for the board, the detail view and the sidebar.
#include "CaptureStore.h"

#include "FullTextQuery.h"

#include <QCollator>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

template <class Record>
std::vector<Record> records(const std::vector<Row>& rows) {
    std::vector<Record> result;
    result.reserve(rows.size());
    for (const Row& row : rows)
        result.push_back(Record::fromRow(row));
    return result;
}

QMap<QString, int> countsByCapture(Database& db, const QString& sql, const std::vector<SQLValue>& params = {}) {
    QMap<QString, int> result;
    for (const Row& row : db.query(sql, params))
        if (const auto id = row.string("capture_id"))
            result.insert(*id, int(row.integer("n").value_or(0)));
    return result;
}

QStringList names(const std::vector<Row>& rows, const QString& column) {
    QStringList result;
    for (const Row& row : rows)
        if (const auto name = row.string(column))
            result << *name;
    return result;
}

// The shortest decimal that reads back to the same double, always with a fraction.
QString stampNumber(double v) {
    QString text = QString::number(v, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(u'.'))
        text += ".0";
    return text;
}

// Typed text as a LIKE pattern that finds it anywhere, "%" and "_" included.
QString containsPattern(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'%', QStringLiteral("\\%"));
    text.replace(u'_', QStringLiteral("\\_"));
    return "%" + text + "%";
}

// Many ids as one parameter, for "IN (SELECT value FROM json_each(?))".
QString jsonArray(const QStringList& ids) {
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(ids)).toJson(QJsonDocument::Compact));
}

} // namespace

std::vector<Capture> CaptureStore::captures(const CaptureQuery& q) {
    QString sql = "SELECT c.* FROM captures c";
    QStringList conditions{"c.deleted_at IS NULL"};
    std::vector<SQLValue> params;

    if (q.tag && !q.tag->isEmpty()) {
        sql += " JOIN capture_tags ct ON ct.capture_id = c.id\n JOIN tags t ON t.id = ct.tag_id";
        conditions << "LOWER(t.name) = LOWER(?)";
        params.emplace_back(*q.tag);
    }
    if (q.statuses && !q.statuses->empty()) {
        QStringList marks;
        for (CaptureStatus s : *q.statuses) {
            marks << "?";
            params.emplace_back(rawValue(s));
        }
        conditions << "c.status IN (" + marks.join(",") + ")";
    }
    if (q.groupID) {
        conditions << "c.group_id = ?";
        params.emplace_back(*q.groupID);
    }
    if (q.groupName && !q.groupName->isEmpty()) {
        conditions << "c.group_id IN (SELECT id FROM groups WHERE LOWER(name) = LOWER(?) AND deleted_at IS NULL)";
        params.emplace_back(*q.groupName);
    }
    if (q.priority) {
        conditions << "c.priority = ?";
        params.emplace_back(rawValue(*q.priority));
    }
    if (q.workspaceID) {
        conditions << "c.workspace_id = ?";
        params.emplace_back(*q.workspaceID);
    }
    if (q.assigneeID) {
        conditions << "c.assignee_id = ?";
        params.emplace_back(*q.assigneeID);
    }
    if (q.authorID) {
        conditions << "(c.author_id = ? OR c.author_id IS NULL)";
        params.emplace_back(*q.authorID);
    }
    if (q.search && !QString(*q.search).remove(u' ').remove(u'\t').isEmpty()) {
        // Tags too, as the board's own search finds a capture by a tag its note does not mention.
        QString anyField = "c.note LIKE ? ESCAPE '\\' OR c.app_name LIKE ? ESCAPE '\\' OR "
                           "c.window_title LIKE ? ESCAPE '\\' OR c.url LIKE ? ESCAPE '\\' OR "
                           "c.id IN (SELECT ct.capture_id FROM capture_tags ct JOIN tags t ON t.id = ct.tag_id "
                           "WHERE t.name LIKE ? ESCAPE '\\')";
        const QString pattern = containsPattern(*q.search);
        for (int i = 0; i < 5; ++i)
            params.emplace_back(pattern);
        if (const QString words = FullTextQuery::fromSearch(*q.search); hasScreenshotText_ && !words.isEmpty()) {
            anyField += " OR c.id IN (SELECT st.capture_id FROM screenshot_text st JOIN capture_images ci "
                        "ON ci.id = st.image_id AND ci.deleted_at IS NULL WHERE st.rowid IN "
                        "(SELECT rowid FROM screenshot_text_index WHERE screenshot_text_index MATCH ?))";
            params.emplace_back(words);
        }
        conditions << "(" + anyField + ")";
    }
    sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY ";
    if (q.priorityFirst)
        sql += "CASE c.priority WHEN 'high' THEN 0 WHEN 'normal' THEN 1 ELSE 2 END, ";
    sql += "c.created_at ";
    sql += q.newestFirst ? "DESC" : "ASC";
    sql += " LIMIT ? OFFSET ?;";
    params.emplace_back(q.limit);
    params.emplace_back(q.offset);
    return records<Capture>(db_->query(sql, params));
}

QMap<CaptureStatus, int> CaptureStore::countsByStatus() {
    QMap<CaptureStatus, int> result;
    for (const Row& row :
         db_->query("SELECT status, COUNT(*) AS n FROM captures WHERE deleted_at IS NULL GROUP BY status;"))
        if (const auto status = captureStatusFromRaw(row.string("status").value_or(QString())))
            result.insert(*status, int(row.integer("n").value_or(0)));
    return result;
}

ActiveCounts CaptureStore::activeCounts() {
    // Grouping by expressions rather than by group_id keeps the planner on the
    // status index (a few active rows) instead of walking the group index
    // over the whole table.
    const auto rows = db_->query(
        "SELECT COALESCE(group_id, '') AS g, priority, (claimed_by IS NULL OR claimed_by = '') AS unclaimed, "
        "COUNT(*) AS n FROM captures WHERE deleted_at IS NULL AND status IN ('open', 'in_progress') "
        "GROUP BY 1, 2, 3;");
    ActiveCounts counts;
    for (const Row& row : rows) {
        const int n = int(row.integer("n").value_or(0));
        counts.byGroup[row.string("g").value_or(QString())] += n;
        if (auto priority = capturePriorityFromRaw(row.string("priority").value_or(QString())))
            counts.byPriority[*priority] += n;
        if (row.boolean("unclaimed"))
            counts.unclaimed += n;
    }
    return counts;
}

QMap<QString, int> CaptureStore::imageCounts() {
    return countsByCapture(*db_, "SELECT capture_id, COUNT(*) AS n FROM capture_images GROUP BY capture_id;");
}

QMap<QString, int> CaptureStore::commentCounts() {
    return countsByCapture(*db_, "SELECT capture_id, COUNT(*) AS n FROM comments GROUP BY capture_id;");
}

QMap<QString, int> CaptureStore::commentCounts(const QStringList& captureIDs) {
    return countsByCapture(*db_,
                           "SELECT capture_id, COUNT(*) AS n FROM comments WHERE capture_id IN "
                           "(SELECT value FROM json_each(?)) GROUP BY capture_id;",
                           {jsonArray(captureIDs)});
}

QStringList CaptureStore::tags(const QString& captureID) {
    return names(db_->query("SELECT t.name FROM tags t JOIN capture_tags ct ON ct.tag_id = t.id "
                            "WHERE ct.capture_id = ? ORDER BY t.name COLLATE NOCASE;",
                            {captureID}),
                 "name");
}

QMap<QString, QStringList> CaptureStore::tags(const QStringList& captureIDs) {
    QMap<QString, QStringList> result;
    if (captureIDs.isEmpty())
        return result;
    for (const Row& row : db_->query("SELECT ct.capture_id, t.name FROM capture_tags ct JOIN tags t ON t.id = ct.tag_id "
                                     "WHERE ct.capture_id IN (SELECT value FROM json_each(?)) "
                                     "ORDER BY ct.capture_id, t.name COLLATE NOCASE;",
                                     {jsonArray(captureIDs)}))
        if (const auto id = row.string("capture_id"), name = row.string("name"); id && name)
            result[*id] << *name;
    return result;
}

QStringList CaptureStore::allTags() {
    // Each tag stops at its first live capture instead of joining every tagging.
    return names(db_->query("SELECT t.name FROM tags t WHERE EXISTS (SELECT 1 FROM capture_tags ct "
                            "JOIN captures c ON c.id = ct.capture_id WHERE ct.tag_id = t.id AND c.deleted_at IS NULL) "
                            "ORDER BY t.name COLLATE NOCASE;"),
                 "name");
}

std::vector<Comment> CaptureStore::comments(const QString& captureID) {
    return records<Comment>(
        db_->query("SELECT * FROM comments WHERE capture_id = ? ORDER BY created_at ASC;", {captureID}));
}

std::vector<ActivityEvent> CaptureStore::activity(const QString& captureID) {
    return records<ActivityEvent>(
        db_->query("SELECT * FROM activity WHERE capture_id = ? ORDER BY created_at ASC;", {captureID}));
}

std::vector<CaptureGroup> CaptureStore::groups() {
    return records<CaptureGroup>(db_->query(
        "SELECT * FROM groups WHERE deleted_at IS NULL AND archived_at IS NULL ORDER BY name COLLATE NOCASE;"));
}

std::vector<Person> CaptureStore::people() {
    return records<Person>(db_->query("SELECT * FROM people ORDER BY kind, name COLLATE NOCASE;"));
}

std::optional<Person> CaptureStore::person(const QString& id) {
    const auto rows = db_->query("SELECT * FROM people WHERE id = ?;", {id});
    return rows.empty() ? std::nullopt : std::optional(Person::fromRow(rows.front()));
}

std::vector<Workspace> CaptureStore::workspaces() {
    return records<Workspace>(db_->query("SELECT * FROM workspaces ORDER BY name COLLATE NOCASE;"));
}

QStringList CaptureStore::groupMemberIDs(const QString& groupID) {
    return names(db_->query("SELECT user_id FROM group_members WHERE group_id = ? AND removed_at IS NULL;", {groupID}),
                 "user_id");
}

std::vector<Person> CaptureStore::assignableCandidates() {
    std::vector<Person> all = people();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(all.begin(), all.end(), [&](const Person& a, const Person& b) {
        if (a.isBot() != b.isBot())
            return !a.isBot();
        return collator.compare(a.name, b.name) < 0;
    });
    return all;
}

std::optional<std::int64_t> CaptureStore::dataVersion() {
    const auto rows = db_->query("PRAGMA data_version;");
    return rows.empty() ? std::nullopt : rows.front().integer("data_version");
}

QString CaptureStore::changeStamp() {
    // Groups count too: a group renamed, added or removed by another process
    // changes the board's sidebar without touching any capture.
    const auto rows = db_->query("SELECT (SELECT COUNT(*) FROM captures) AS c, "
                                 "(SELECT COALESCE(MAX(updated_at), 0) FROM captures) AS m, "
                                 "(SELECT COUNT(*) FROM comments) AS k, "
                                 "(SELECT COALESCE(MAX(created_at), 0) FROM comments) AS n, "
                                 "(SELECT COUNT(*) FROM groups) AS g, "
                                 "(SELECT COALESCE(MAX(updated_at), 0) FROM groups) AS u;");
    const Row row = rows.empty() ? Row() : rows.front();
    return QString::number(row.integer("c").value_or(0)) + "-" + stampNumber(row.real("m").value_or(0)) + "-" +
           QString::number(row.integer("k").value_or(0)) + "-" + stampNumber(row.real("n").value_or(0)) + "-" +
           QString::number(row.integer("g").value_or(0)) + "-" + stampNumber(row.real("u").value_or(0));
}
