#include "ActivityRecorder.h"

#include "NewRowUnderCapture.h"
#include "store/LibraryEnums.h"
#include "common/Wire.h"

#include <QDateTime>

namespace ActivityRecorder {

namespace {

SyncRow entry(const SyncRow& capture, const UserRecord& actor, const QString& kind, const QString& detail) {
    return newRowUnderCapture(capture, QStringLiteral("activity"),
                              {{"kind", kind},
                               {"detail", detail},
                               {"actor_id", actor.id},
                               {"actor_label", actor.name},
                               {"created_at", Wire::stamp(QDateTime::currentDateTimeUtc())}});
}

QString statusName(const QJsonValue& raw) {
    return displayName(captureStatusFromRaw(raw.toString()).value_or(CaptureStatus::open));
}

} // namespace

std::vector<SyncRow> forCapture(const std::optional<QJsonObject>& before, const SyncRow& after, const UserRecord& actor) {
    const QJsonObject& now = after.data;
    std::vector<SyncRow> out;
    // A capture filed and worked on before its first push arrives whole: its
    // history starts from a new, open capture.
    QJsonObject base = before.value_or(QJsonObject{{"status", "open"}});
    if (!before) {
        const auto mode = captureModeFromRaw(now.value("capture_mode").toString());
        const bool screenshot = mode && *mode != CaptureMode::text;
        out.push_back(entry(after, actor, QStringLiteral("created"),
                            screenshot ? displayName(*mode) : QStringLiteral("no screenshot")));
    }
    auto changed = [&](const char* key) {
        const QJsonValue was = base.value(QLatin1String(key)), is = now.value(QLatin1String(key));
        return (was.isUndefined() ? QJsonValue() : was) != (is.isUndefined() ? QJsonValue() : is);
    };
    if (changed("claimed_by_id") && Wire::str(now.value("claimed_by_id")))
        out.push_back(entry(after, actor, QStringLiteral("claimed"), QString()));
    if (changed("status")) {
        if (now.value("status").toString() == QLatin1String("resolved"))
            out.push_back(entry(after, actor, QStringLiteral("resolved"), now.value("resolution_ref").toString()));
        else
            out.push_back(entry(after, actor, QStringLiteral("status_changed"),
                                statusName(base.value("status")) + QStringLiteral(" → ") +
                                    statusName(now.value("status"))));
    }
    if (changed("assignee_id"))
        out.push_back(entry(after, actor, QStringLiteral("assigned"), now.value("assignee_id").toString()));
    return out;
}

} // namespace ActivityRecorder
