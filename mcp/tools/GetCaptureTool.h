#pragma once

#include "Tool.h"
#include "ToolContext.h"

// One capture in full: note, context, tags, comments, history, and each
// screenshot as an image (the marked-up copy when there is one).
class GetCaptureTool : public Tool {
public:
    explicit GetCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
