#include "CaptureStatsTool.h"

#include "GroupNames.h"
#include "InputSchema.h"

#include "store/CaptureStore.h"

#include <algorithm>

ToolDefinition CaptureStatsTool::definition() const {
    return {
        .name = "capture_stats",
        .title = "Board summary",
        .description = "Summarise the board: how many captures are open, in progress, resolved and archived, "
                       "and the open work by priority and by group, and how much of it nobody has claimed.",
        .inputSchema = InputSchema::object({}),
        .readOnly = true,
    };
}

ToolResult CaptureStatsTool::call(const ToolArguments&) {
    CaptureStore& store = context_.store;
    const QMap<CaptureStatus, int> byStatus = store.countsByStatus();
    QStringList lines{"Captures by status:"};
    for (CaptureStatus status : allCaptureStatuses)
        lines.append(QStringLiteral("- %1: %2").arg(displayName(status)).arg(byStatus.value(status)));

    const ActiveCounts active = store.activeCounts();
    lines.append({QString(), "Open and in progress, by priority:"});
    for (CapturePriority priority : {CapturePriority::high, CapturePriority::normal, CapturePriority::low})
        lines.append(QStringLiteral("- %1: %2").arg(displayName(priority)).arg(active.byPriority.value(priority)));
    lines.append(QStringLiteral("Not claimed by anyone: %1").arg(active.unclaimed));

    // Largest groups first: that is where the open work is.
    std::vector<std::pair<QString, int>> groups(active.byGroup.keyValueBegin(), active.byGroup.keyValueEnd());
    std::ranges::stable_sort(groups, [](const auto& a, const auto& b) { return a.second > b.second; });
    GroupNames names(store);
    lines.append({QString(), "Open and in progress, by group:"});
    for (const auto& [groupID, count] : groups) {
        const QString name = groupID.isEmpty() ? QStringLiteral("(no group)")
                                               : names.name(groupID).value_or(QStringLiteral("(deleted group)"));
        lines.append(QStringLiteral("- %1: %2").arg(name).arg(count));
    }
    if (groups.empty())
        lines.append("- none");
    return ToolResult::text(lines.join('\n'));
}
