#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Posts a comment on a capture as this agent.
class CommentOnCaptureTool : public Tool {
public:
    explicit CommentOnCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
