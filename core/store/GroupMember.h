#pragma once

#include "RecordFields.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

struct GroupMember {
    QString groupID;
    QString userID;
    // A removed member is kept with this set.
    std::optional<QDateTime> removedAt;

    static GroupMember fromRow(const Row& r) {
        return {r.string("group_id").value_or(QString()), r.string("user_id").value_or(QString()),
                r.date("removed_at")};
    }
    QJsonObject toJson() const {
        QJsonObject j{{"groupID", groupID}, {"userID", userID}};
        RecordFields::put(j, "removedAt", removedAt);
        return j;
    }

    bool operator==(const GroupMember&) const = default;
};
