#include "UpdateCaptureTool.h"

#include "CaptureLookup.h"
#include "CaptureText.h"
#include "InputSchema.h"
#include "ToolError.h"

#include "store/CaptureStore.h"

namespace {

std::optional<QString> groupIDNamed(CaptureStore& store, const QString& name, const Capture& capture) {
    if (name.trimmed().isEmpty())
        return std::nullopt;
    if (auto group = store.group(name.trimmed(), capture.workspaceID))
        return group->id;
    QStringList names;
    for (const CaptureGroup& group : store.groups())
        if (group.workspaceID == capture.workspaceID)
            names.append('"' + group.name + '"');
    throw ToolError(QStringLiteral("There is no group named \"%1\" for this capture. %2")
                        .arg(name.trimmed(), names.isEmpty() ? QStringLiteral("There are no groups yet.")
                                                             : "The groups are " + names.join(", ") + "."));
}

} // namespace

ToolDefinition UpdateCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "update_capture",
        .title = "Update capture",
        .description = "Edit a capture: replace its note, set its priority, move it to a group (by name; \"\" "
                       "takes it out of its group) or replace its tags. Give only what should change.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, or a prefix of it that is unique.")},
                               {"note", string("The new note, replacing the old one; its first line is the title.")},
                               {"priority", oneOf("The new priority.", {"low", "normal", "high"})},
                               {"group", string("The name of an existing group, or \"\" for no group.")},
                               {"tags", stringList("The complete new list of tags.")}},
                              {"id"}),
        .readOnly = false,
        .destructive = true,
        .idempotent = true,
    };
}

ToolResult UpdateCaptureTool::call(const ToolArguments& arguments) {
    CaptureStore& store = context_.store;
    Capture capture = CaptureLookup::find(store, arguments.requiredText("id"));
    const std::optional<QString> note = arguments.givenText("note");
    const std::optional<QString> priority = arguments.text("priority");
    const std::optional<QString> group = arguments.givenText("group");
    const std::optional<QStringList> tags = arguments.texts("tags");
    if (!note && !priority && !group && !tags)
        throw ToolError("Nothing to change: give a note, priority, group or tags.");

    QStringList changed;
    if (note) {
        capture.note = *note;
        changed.append("note");
    }
    if (priority) {
        capture.priority = capturePriorityFromRaw(*priority).value_or(capture.priority);
        changed.append("priority");
    }
    if (group) {
        // Looked up before anything is written, so a bad name changes nothing.
        capture.groupID = groupIDNamed(store, *group, capture);
        changed.append("group");
    }
    // Fields and tags land together or not at all.
    store.transaction([&] {
        if (note || priority || group)
            store.update(capture);
        if (tags)
            store.setTags(*tags, capture.id);
    });
    if (tags)
        changed.append("tags");

    const Capture updated = store.capture(capture.id).value_or(capture);
    QString text = QStringLiteral("Updated the %1 of %2 “%3”. Now: %4.")
                       .arg(changed.join(", "), updated.id, updated.title(), CaptureText::state(updated));
    if (tags) {
        const QStringList stored = store.tags(updated.id);
        text += "\nTags: " + (stored.isEmpty() ? QStringLiteral("none") : stored.join(", "));
    }
    return ToolResult::text(text);
}
