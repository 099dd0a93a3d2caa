#include "CaptureCounts.h"

#include "Database.h"

namespace CaptureCounts {

namespace {

const QString active = QStringLiteral("deleted_at IS NULL AND status IN ('open', 'in_progress')");

} // namespace

QMap<QString, int> activeByGroup(Database& db) {
    QMap<QString, int> counts;
    const auto rows = db.query("SELECT COALESCE(group_id, '') AS g, COUNT(*) AS n FROM captures WHERE " + active +
                               " GROUP BY group_id;");
    for (const Row& row : rows)
        counts.insert(row.string("g").value_or(QString()), int(row.integer("n").value_or(0)));
    return counts;
}

QMap<CapturePriority, int> activeByPriority(Database& db) {
    QMap<CapturePriority, int> counts;
    const auto rows = db.query("SELECT priority, COUNT(*) AS n FROM captures WHERE " + active + " GROUP BY priority;");
    for (const Row& row : rows)
        if (auto priority = capturePriorityFromRaw(row.string("priority").value_or(QString())))
            counts[*priority] += int(row.integer("n").value_or(0));
    return counts;
}

int activeUnclaimed(Database& db) {
    const auto rows = db.query("SELECT COUNT(*) AS n FROM captures WHERE " + active +
                               " AND (claimed_by IS NULL OR claimed_by = '');");
    return rows.empty() ? 0 : int(rows.front().integer("n").value_or(0));
}

} // namespace CaptureCounts
