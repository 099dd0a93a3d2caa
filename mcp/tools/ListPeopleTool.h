#pragma once

#include "Tool.h"
#include "ToolContext.h"

// Lists the people and bots captures can be assigned to, with their ids.
class ListPeopleTool : public Tool {
public:
    explicit ListPeopleTool(ToolContext context) : context_(context) {}
    ToolDefinition definition() const override;
    ToolResult call(const ToolArguments& arguments) override;

private:
    ToolContext context_;
};
