#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Marks a capture fixed, with the commit or pull request that fixed it.
class ResolveCaptureTool : public Tool {
public:
    explicit ResolveCaptureTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
