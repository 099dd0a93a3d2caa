#include "ResolveCaptureTool.h"

#include "AgentComment.h"
#include "CaptureLookup.h"
#include "CaptureText.h"
#include "InputSchema.h"
#include "ToolError.h"

#include "store/CaptureStore.h"

ToolDefinition ResolveCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "resolve_capture",
        .title = "Resolve capture",
        .description = "Mark a capture fixed and record the commit or pull request that fixed it. Optionally "
                       "leave a comment saying what was wrong.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, or a prefix of it that is unique.")},
                               {"reference", string("The commit hash or pull request (number or URL) of the fix.")},
                               {"comment", string("A note on the fix, posted as a comment.")}},
                              {"id"}),
        .readOnly = false,
        .destructive = false,
        .idempotent = true,
    };
}

ToolResult ResolveCaptureTool::call(const ToolArguments& arguments) {
    const Capture capture = CaptureLookup::find(context_.store, arguments.requiredText("id"));
    const std::optional<Capture> resolved =
        context_.store.resolve(capture.id, arguments.text("reference"), context_.agent);
    if (!resolved)
        throw ToolError(QStringLiteral("Capture %1 was just deleted.").arg(capture.id));
    if (auto comment = arguments.text("comment"))
        AgentComment::post(context_, capture.id, *comment);
    return ToolResult::text(
        QStringLiteral("Resolved %1 “%2”. Now: %3.").arg(resolved->id, resolved->title(), CaptureText::state(*resolved)));
}
