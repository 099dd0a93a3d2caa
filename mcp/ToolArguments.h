#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// The arguments of one tools/call, already checked against the tool's input
// schema; absent and null both read as "not given".
class ToolArguments {
public:
    explicit ToolArguments(QJsonObject arguments) : arguments_(std::move(arguments)) {}

    bool has(const QString& key) const;
    // Trimmed text; a text that is empty after trimming reads as not given.
    std::optional<QString> text(const QString& key) const;
    // The text exactly as given, even when empty: for fields where "" means
    // "clear it".
    std::optional<QString> givenText(const QString& key) const;
    std::optional<int> integer(const QString& key) const;
    std::optional<QStringList> texts(const QString& key) const;

    // The text under key; the schema marks it required, so it is there.
    QString requiredText(const QString& key) const;

private:
    QJsonObject arguments_;
};
