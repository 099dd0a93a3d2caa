#include "ClaimCaptureTool.h"

#include "CaptureLookup.h"
#include "CaptureText.h"
#include "InputSchema.h"
#include "ToolError.h"

#include "store/CaptureStore.h"

ToolDefinition ClaimCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "claim_capture",
        .title = "Claim capture",
        .description = "Claim a capture before working on it, so the person can see an agent has it. An open "
                       "capture becomes in progress.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, or a prefix of it that is unique.")}},
                              {"id"}),
        .readOnly = false,
        .destructive = false,
        .idempotent = true,
    };
}

ToolResult ClaimCaptureTool::call(const ToolArguments& arguments) {
    const Capture before = CaptureLookup::find(context_.store, arguments.requiredText("id"));
    const std::optional<Capture> after = context_.store.claim(before.id, context_.agent);
    if (!after)
        throw ToolError(QStringLiteral("Capture %1 was just deleted.").arg(before.id));
    QString text = QStringLiteral("Claimed %1 “%2” as %3. Now: %4.")
                       .arg(after->id, after->title(), context_.agent, CaptureText::state(*after));
    if (before.claimedBy && !before.claimedBy->isEmpty() && *before.claimedBy != context_.agent)
        text += QStringLiteral(" It was claimed by %1 before.").arg(*before.claimedBy);
    return ToolResult::text(text);
}
