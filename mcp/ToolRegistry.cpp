#include "ToolRegistry.h"

#include "InputSchema.h"
#include "ToolError.h"

namespace {

QJsonObject listEntry(const ToolDefinition& definition) {
    const QJsonObject annotations{
        {"title", definition.title},
        {"readOnlyHint", definition.readOnly},
        {"destructiveHint", definition.destructive},
        {"idempotentHint", definition.idempotent},
        // Every tool works on the local library only.
        {"openWorldHint", false},
    };
    return {{"name", definition.name},
            {"title", definition.title},
            {"description", definition.description},
            {"inputSchema", definition.inputSchema},
            {"annotations", annotations}};
}

} // namespace

void ToolRegistry::add(std::unique_ptr<Tool> tool) {
    ToolDefinition definition = tool->definition();
    list_.append(listEntry(definition));
    entries_.push_back({std::move(definition), std::move(tool)});
}

std::optional<ToolResult> ToolRegistry::call(const QString& name, const QJsonObject& arguments) const {
    for (const Entry& entry : entries_) {
        if (entry.definition.name != name)
            continue;
        std::optional<ToolResult> result = run(entry, arguments);
        if (warning_)
            if (const std::optional<QString> warning = warning_())
                result->addText(*warning);
        return result;
    }
    return std::nullopt;
}

std::optional<ToolResult> ToolRegistry::run(const Entry& entry, const QJsonObject& arguments) const {
    try {
        InputSchema::validate(entry.definition.inputSchema, arguments);
        return entry.tool->call(ToolArguments(arguments));
    } catch (const ZorviError& error) {
        // Our own typed errors (a bad argument, an unknown id, a library
        // that cannot be read) carry a message meant for the reader.
        return ToolResult::error(error.description());
    }
}
