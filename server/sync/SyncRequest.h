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
};

// The body of a sync exchange. decode() accepts only well-formed bodies and
// throws ApiError(400) naming the first problem, so nothing of a malformed
// request is ever applied.
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

// A JSON object body, or ApiError(400).
QJsonObject decodeJsonObject(const QByteArray& body);
