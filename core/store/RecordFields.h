#pragma once

#include "Row.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

// Shared row fallbacks and JSON helpers of the library records.
namespace RecordFields {

QString idOrFresh(const Row& row);
QDateTime dateOrNow(const Row& row, const QString& column);
QDateTime now();

void put(QJsonObject& json, const QString& key, const std::optional<QString>& value);
void put(QJsonObject& json, const QString& key, const std::optional<QDateTime>& value);
QJsonValue dateJson(const QDateTime& value);

// Instants equal to the millisecond, and optional values equal only when both
// are none or both hold equal values.
bool sameInstant(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b);

} // namespace RecordFields
