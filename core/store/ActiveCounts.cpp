#include "ActiveCounts.h"

#include "Database.h"

ActiveCounts ActiveCounts::read(Database& db) {
    // Grouping by expressions rather than by group_id keeps the planner on the
    // status index (a few active rows) instead of walking the group index
    // over the whole table.
    const auto rows = db.query(
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
