#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Lists the groups with how many open captures each holds.
class ListGroupsTool : public Tool {
public:
    explicit ListGroupsTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
