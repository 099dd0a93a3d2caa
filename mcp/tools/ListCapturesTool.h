#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Lists captures with filters and paging, high priority and newest first.
class ListCapturesTool : public Tool {
public:
    explicit ListCapturesTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
