#pragma once

#include "Row.h"

#include <QJsonObject>

#include <optional>

struct Workspace {
    QString id;
    QString name;
    QString slug;
    QString role = QStringLiteral("member");
    std::optional<QString> settingsJSON;

    static Workspace fromRow(const Row& row);
    QJsonObject toJson() const;
    bool isAdmin() const { return role == u"owner" || role == u"admin"; }
    bool isGuest() const { return role == u"guest"; }

    bool operator==(const Workspace&) const = default;
};
