#include "SyncRequest.h"

#include "MalformedBody.h"
#include "TableSchema.h"
#include "common/Identifiers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>

namespace {

[[noreturn]] void refuse(const QString& message) {
    throw MalformedBody(message);
}

QString requireId(const QJsonValue& v, const QString& what) {
    if (!v.isString() || !Identifiers::isSafe(v.toString()))
        refuse(what + QStringLiteral(" must be an identifier of letters, digits, '-' and '_'"));
    return v.toString();
}

std::int64_t nonNegativeInteger(const QJsonValue& v, const QString& what) {
    if (v.isUndefined() || v.isNull())
        return 0;
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d < 0 || d != std::trunc(d) || d > 9.0e15)
        refuse(what + QStringLiteral(" must be a non-negative integer"));
    return std::int64_t(d);
}

// Why a change that names its row cannot be applied, or none; fills the
// change's version, deletion flag and patch on the way.
std::optional<QString> problemOf(const QJsonObject& o, RowChange& change) {
    const TableSchema::Table* table = TableSchema::table(change.table);
    if (!table)
        return QStringLiteral("unknown table \"%1\"").arg(change.table.left(40));
    const QJsonValue base = o.value("base_version");
    const double baseNumber = base.toDouble(-1);
    if (!base.isUndefined() && !base.isNull() &&
        (!base.isDouble() || baseNumber < 0 || baseNumber != std::trunc(baseNumber) || baseNumber > 9.0e15))
        return QStringLiteral("base_version must be a non-negative integer");
    change.baseVersion = base.isDouble() ? std::int64_t(baseNumber) : 0;

    const QJsonValue del = o.value("delete");
    if (!del.isUndefined() && !del.isNull() && !del.isBool())
        return QStringLiteral("delete must be a boolean");
    change.isDelete = del.toBool(false);
    if (change.isDelete)
        return table->createOnly ? std::optional(QStringLiteral("%1 cannot be deleted").arg(change.table))
                                 : std::nullopt;

    if (!o.value("patch").isObject())
        return QStringLiteral("patch must be an object");
    change.patch = o.value("patch").toObject();
    if (change.patch.isEmpty())
        return QStringLiteral("patch is empty");
    for (auto it = change.patch.begin(); it != change.patch.end(); ++it) {
        const TableSchema::Field* field = table->field(it.key());
        if (!field)
            return QStringLiteral("unknown field \"%1\" for %2").arg(it.key().left(40), change.table);
        if (auto error = TableSchema::typeError(*field, it.value()))
            return error;
    }
    return std::nullopt;
}

RowChange decodeChange(const QJsonValue& value, int index) {
    const QString where = QStringLiteral("changes[%1]").arg(index);
    if (!value.isObject())
        refuse(where + QStringLiteral(" must be an object"));
    const QJsonObject o = value.toObject();
    RowChange change;
    if (!o.value("table").isString())
        refuse(where + QStringLiteral(".table must be a text"));
    change.table = o.value("table").toString();
    change.id = requireId(o.value("id"), where + QStringLiteral(".id"));
    change.refusal = problemOf(o, change);
    return change;
}
} // namespace

QJsonObject decodeJsonObject(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(QStringLiteral("the body is not valid JSON: ") + error.errorString());
    if (!doc.isObject())
        refuse(QStringLiteral("the body must be a JSON object"));
    return doc.object();
}

SyncRequest SyncRequest::decode(const QByteArray& body) {
    const QJsonObject o = decodeJsonObject(body);
    SyncRequest request;
    request.deviceId = requireId(o.value("device_id"), QStringLiteral("device_id"));
    request.cursor = nonNegativeInteger(o.value("cursor"), QStringLiteral("cursor"));

    const QJsonValue changes = o.value("changes");
    if (!changes.isUndefined() && !changes.isNull() && !changes.isArray())
        refuse(QStringLiteral("changes must be an array"));
    const QJsonArray list = changes.toArray();
    if (list.size() > maxChanges)
        refuse(QStringLiteral("at most %1 changes per request").arg(maxChanges));
    QSet<QString> seen;
    for (int i = 0; i < list.size(); ++i) {
        RowChange change = decodeChange(list.at(i), i);
        const QString key = change.table + '/' + change.id;
        if (seen.contains(key))
            refuse(QStringLiteral("changes[%1]: %2 %3 appears twice").arg(i).arg(change.table, change.id));
        seen.insert(key);
        request.changes.push_back(std::move(change));
    }

    const QJsonValue groups = o.value("full_groups");
    if (!groups.isUndefined() && !groups.isNull() && !groups.isArray())
        refuse(QStringLiteral("full_groups must be an array"));
    const QJsonArray groupList = groups.toArray();
    if (groupList.size() > maxFullGroups)
        refuse(QStringLiteral("at most %1 full_groups per request").arg(maxFullGroups));
    for (const QJsonValue& g : groupList) {
        // A group named twice would be sent twice.
        const QString id = requireId(g, QStringLiteral("full_groups entry"));
        if (!request.fullGroups.contains(id))
            request.fullGroups << id;
    }
    return request;
}

ReconcileRequest ReconcileRequest::decode(const QByteArray& body) {
    const QJsonObject o = decodeJsonObject(body);
    if (!o.value("capture_ids").isArray())
        refuse(QStringLiteral("capture_ids must be an array"));
    const QJsonArray ids = o.value("capture_ids").toArray();
    if (ids.size() > maxIds)
        refuse(QStringLiteral("at most %1 capture_ids per request").arg(maxIds));
    ReconcileRequest request;
    for (const QJsonValue& id : ids)
        request.captureIds << requireId(id, QStringLiteral("capture_ids entry"));
    return request;
}
