#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Summarises the board: counts by status, and where the open work is.
class CaptureStatsTool : public Tool {
public:
    explicit CaptureStatsTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
