#include "ReopenCaptureTool.h"

#include "AgentComment.h"
#include "CaptureLookup.h"
#include "CaptureText.h"
#include "InputSchema.h"
#include "ToolError.h"

#include "store/CaptureStore.h"

#include <algorithm>

ToolDefinition ReopenCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "reopen_capture",
        .title = "Reopen capture",
        .description = "Put a resolved or archived capture back on the board as open, for example when a fix "
                       "did not hold. Optionally say why in a comment.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, or a prefix of it that is unique.")},
                               {"comment", string("Why it is reopened, posted as a comment.")}},
                              {"id"}),
        .readOnly = false,
        .destructive = false,
        .idempotent = true,
    };
}

ToolResult ReopenCaptureTool::call(const ToolArguments& arguments) {
    const Capture capture = CaptureLookup::find(context_.store, arguments.requiredText("id"));
    const bool active = std::ranges::find(activeCaptureStatuses, capture.status) != activeCaptureStatuses.end();
    if (active)
        return ToolResult::text(QStringLiteral("%1 “%2” is already on the board: %3.")
                                    .arg(capture.id, capture.title(), CaptureText::state(capture)));

    const std::optional<Capture> reopened = context_.store.setStatus(capture.id, CaptureStatus::open, context_.agent);
    if (!reopened)
        throw ToolError(QStringLiteral("Capture %1 was just deleted.").arg(capture.id));
    if (auto comment = arguments.text("comment"))
        AgentComment::post(context_, capture.id, *comment);
    return ToolResult::text(QStringLiteral("Reopened %1 “%2”. Now: %3.")
                                .arg(reopened->id, reopened->title(), CaptureText::state(*reopened)));
}
