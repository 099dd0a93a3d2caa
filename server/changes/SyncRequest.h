#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// One pushed row change, validated for shape and types.
struct RowChange {
    QString table;
    QString id;
    std::int64_t baseVersion = 0;
    bool isDelete = false;
    QJsonObject patch;
    // Why this change alone is refused (a field over its limit, an unknown
    // field or table), or none. The other changes of the request still apply.
    std::optional<QString> refusal;
};

// The body of a sync exchange. decode() throws MalformedBody naming the first
// problem of a malformed body (no id to answer a change by, a repeated id,
// too many changes), so nothing of it is ever applied; a change that is
// well-formed but unacceptable is marked refused and answered on its own.
struct SyncRequest {
    QString deviceId;
    std::int64_t cursor = 0;
    std::vector<RowChange> changes;
    QStringList fullGroups;

    static constexpr int maxChanges = 500;
    static constexpr int maxFullGroups = 50;

    static SyncRequest decode(const QByteArray& body);
};

// The body of a reconcile check: the capture ids a device holds as synced.
struct ReconcileRequest {
    QStringList captureIds;

    static constexpr int maxIds = 50000;

    static ReconcileRequest decode(const QByteArray& body);
};

// A JSON object body, or MalformedBody.
QJsonObject decodeJsonObject(const QByteArray& body);
