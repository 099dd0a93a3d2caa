#pragma once

#include "ServiceAccounts.h"

#include "common/Identifiers.h"
#include "common/Wire.h"

#include <QDateTime>
#include <QJsonArray>

// Another person of the workspace at work on their own computer, speaking the
// sync API straight: pushes, pulls from where they left off, reads files.
class Teammate {
public:
    Teammate(ZorviServer& server, const QString& email)
        : client(server.url(), ServiceAccounts::tokenFor(server, email)), workspace(client.me().workspaces.front().id),
          userID(client.me().user.id) {}

    static QJsonObject row(const char* table, const QString& id, const QJsonObject& patch, qint64 baseVersion = 0) {
        return {{"table", table}, {"id", id}, {"base_version", baseVersion}, {"patch", patch}};
    }
    QJsonObject group(const QString& id, const QString& name, const char* visibility) const {
        return row("groups", id, {{"workspace_id", workspace}, {"name", name}, {"visibility", visibility}});
    }
    QJsonObject capture(const QString& id, const QString& note, const QJsonValue& groupID = QJsonValue()) const {
        const QJsonValue now = Wire::stamp(QDateTime::currentDateTimeUtc());
        return row("captures", id, {{"workspace_id", workspace}, {"group_id", groupID}, {"note", note},
                                    {"status", "open"}, {"priority", "normal"}, {"capture_mode", "text"},
                                    {"created_at", now}, {"captured_at", now}});
    }
    static QJsonObject member(const QString& groupID, const QString& userID, bool removed = false) {
        return row("group_members", Identifiers::make(),
                   {{"group_id", groupID},
                    {"user_id", userID},
                    {"removed_at", removed ? Wire::stamp(QDateTime::currentDateTimeUtc()) : QJsonValue()}});
    }

    // One exchange from this computer's cursor; the reply.
    QJsonObject exchange(const QJsonArray& changes = {}, const QStringList& fullGroups = {}) {
        const QJsonObject reply = client.sync(QJsonObject{{"device_id", device},
                                                          {"cursor", cursor},
                                                          {"changes", changes},
                                                          {"full_groups", QJsonArray::fromStringList(fullGroups)}});
        cursor = Wire::integer(reply.value("cursor"));
        return reply;
    }
    // Pushes and expects every change taken.
    QJsonObject push(const QJsonArray& changes) {
        const QJsonObject reply = exchange(changes);
        for (const QJsonValue& result : reply.value("results").toArray())
            if (result["status"].toString() != "applied")
                throw std::runtime_error("refused: " + result["reason"].toString().toStdString());
        return reply;
    }

    SyncClient client;
    QString workspace;
    QString userID;
    QString device = Identifiers::make();
    qint64 cursor = 0;
};

// The rows of one table in a reply.
inline std::vector<QJsonObject> rowsOf(const QJsonObject& reply, const QString& table) {
    std::vector<QJsonObject> rows;
    for (const QJsonValue& change : reply.value("changes").toArray())
        if (change["table"].toString() == table)
            rows.push_back(change["row"].toObject());
    return rows;
}
