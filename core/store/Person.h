#pragma once

#include "Row.h"

#include <QJsonObject>

#include <optional>

// A user or bot known from the workspace service.
struct Person {
    QString id;
    QString name = QStringLiteral("Someone");
    std::optional<QString> email;
    std::optional<QString> imageURL;
    QString kind = QStringLiteral("person");

    static Person fromRow(const Row& row);
    QJsonObject toJson() const;
    bool isBot() const { return kind == u"bot"; }
    QString initials() const;

    bool operator==(const Person&) const = default;
};
