#pragma once

#include "Tool.h"

#include <QJsonArray>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The tools the server offers, in the order tools/list shows them.
class ToolRegistry {
public:
    void add(std::unique_ptr<Tool> tool);

    // The tools/list entries: name, title, description, input schema and
    // annotations. Built once; the set never changes while we run.
    const QJsonArray& list() const { return list_; }

    // Validates the arguments against the tool's schema and runs it. Tool
    // failures come back as error results; an unknown name gives nothing.
    std::optional<ToolResult> call(const QString& name, const QJsonObject& arguments) const;

    // A warning added as a text block to every result while it has one (a
    // damaged library, say).
    void setWarning(std::function<std::optional<QString>()> warning) { warning_ = std::move(warning); }

private:
    struct Entry {
        ToolDefinition definition;
        std::unique_ptr<Tool> tool;
    };
    std::optional<ToolResult> run(const Entry& entry, const QJsonObject& arguments) const;

    std::vector<Entry> entries_;
    QJsonArray list_;
    std::function<std::optional<QString>()> warning_;
};
