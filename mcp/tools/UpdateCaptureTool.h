#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Edits a capture's note, priority, group or tags.
class UpdateCaptureTool : public Tool {
public:
    explicit UpdateCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
