#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Records that this agent is working on a capture.
class ClaimCaptureTool : public Tool {
public:
    explicit ClaimCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
