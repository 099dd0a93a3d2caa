#include "ToolArguments.h"

#include "ToolError.h"

#include <QJsonArray>

bool ToolArguments::has(const QString& key) const {
    const QJsonValue value = arguments_.value(key);
    return !value.isUndefined() && !value.isNull();
}

std::optional<QString> ToolArguments::text(const QString& key) const {
    const QString value = arguments_.value(key).toString().trimmed();
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

std::optional<QString> ToolArguments::givenText(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    return arguments_.value(key).toString();
}

std::optional<int> ToolArguments::integer(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    return arguments_.value(key).toInt();
}

std::optional<QStringList> ToolArguments::texts(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& value : arguments_.value(key).toArray())
        list.append(value.toString());
    return list;
}

QString ToolArguments::requiredText(const QString& key) const {
    if (auto value = text(key))
        return *value;
    throw ToolError(QStringLiteral("Argument \"%1\" must not be empty.").arg(key));
}
