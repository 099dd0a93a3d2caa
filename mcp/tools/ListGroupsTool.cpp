#include "ListGroupsTool.h"

#include "InputSchema.h"

#include "store/CaptureStore.h"

ToolDefinition ListGroupsTool::definition() const {
    return {
        .name = "list_groups",
        .title = "List groups",
        .description = "List the groups captures are filed in, with how many open or in-progress captures each "
                       "holds. Group names work as filters in list_captures and as targets in update_capture.",
        .inputSchema = InputSchema::object({}),
        .readOnly = true,
    };
}

ToolResult ListGroupsTool::call(const ToolArguments&) {
    CaptureStore& store = context_.store;
    const QMap<QString, int> open = store.activeCounts().byGroup;
    const std::vector<CaptureGroup> groups = store.groups();

    QStringList lines{QStringLiteral("Groups (%1), with open and in-progress captures:").arg(groups.size())};
    for (const CaptureGroup& group : groups) {
        QString line = QStringLiteral("- %1: %2 open").arg(group.name).arg(open.value(group.id));
        if (group.path && !group.path->isEmpty())
            line += " · folder " + *group.path;
        if (group.isShared())
            line += " · shared with the workspace";
        lines.append(line);
    }
    lines.append(QStringLiteral("- (no group): %1 open").arg(open.value(QString())));
    return ToolResult::text(lines.join('\n'));
}
