#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Puts a capture back on the board as open.
class ReopenCaptureTool : public Tool {
public:
    explicit ReopenCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
