#include "RecordFields.h"

#include "common/Identifiers.h"

namespace RecordFields {

QString idOrFresh(const Row& row) {
    return row.string(QStringLiteral("id")).value_or(Identifiers::make());
}

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

QDateTime dateOrNow(const Row& row, const QString& column) {
    return row.date(column).value_or(now());
}

QJsonValue dateJson(const QDateTime& value) {
    return value.toUTC().toString(Qt::ISODateWithMs);
}

void put(QJsonObject& json, const QString& key, const std::optional<QString>& value) {
    if (value)
        json.insert(key, *value);
}

void put(QJsonObject& json, const QString& key, const std::optional<QDateTime>& value) {
    if (value)
        json.insert(key, dateJson(*value));
}

bool sameInstant(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || a->toMSecsSinceEpoch() == b->toMSecsSinceEpoch();
}

} // namespace RecordFields
