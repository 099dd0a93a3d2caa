#pragma once

#include "ToolArguments.h"
#include "ToolResult.h"

#include <QJsonObject>
#include <QString>

// What a client learns about a tool from tools/list.
struct ToolDefinition {
    QString name;
    QString title;
    QString description;
    QJsonObject inputSchema;
    bool readOnly = true;
    bool destructive = false;
    bool idempotent = false;
};

// One tool of the server. call() throws ToolError for failures the model
// should see (they become results with isError set).
class Tool {
public:
    virtual ~Tool() = default;
    virtual ToolDefinition definition() const = 0;
    virtual ToolResult call(const ToolArguments& arguments) = 0;
};
