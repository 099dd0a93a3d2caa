#include "CommentOnCaptureTool.h"

#include "AgentComment.h"
#include "CaptureLookup.h"
#include "InputSchema.h"

ToolDefinition CommentOnCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "comment_on_capture",
        .title = "Comment on capture",
        .description = "Post a comment on a capture, shown to the person as this agent's: a diagnosis, "
                       "progress, or a question about what they saw.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, or a prefix of it that is unique.")},
                               {"body", nonEmptyString("The comment text.")}},
                              {"id", "body"}),
        .readOnly = false,
        .destructive = false,
        .idempotent = false,
    };
}

ToolResult CommentOnCaptureTool::call(const ToolArguments& arguments) {
    const Capture capture = CaptureLookup::find(context_.store, arguments.requiredText("id"));
    AgentComment::post(context_, capture.id, arguments.requiredText("body"));
    return ToolResult::text(QStringLiteral("Commented on %1 “%2” as %3.").arg(capture.id, capture.title(), context_.agent));
}
