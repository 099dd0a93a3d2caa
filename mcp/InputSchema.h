#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <utility>

// Builds the small JSON Schema subset our tools declare, and checks call
// arguments against it, so each tool reads arguments that already fit.
namespace InputSchema {

QJsonObject string(const QString& description);
QJsonObject nonEmptyString(const QString& description);
QJsonObject oneOf(const QString& description, const QStringList& values);
QJsonObject integer(const QString& description, int minimum, int maximum);
QJsonObject stringList(const QString& description);

using Property = std::pair<QString, QJsonObject>;
QJsonObject object(std::initializer_list<Property> properties, const QStringList& required = {});

// Throws ToolError naming the first argument that does not fit.
void validate(const QJsonObject& schema, const QJsonObject& arguments);

} // namespace InputSchema
