#pragma once

#include "Person.h"
#include "SyncLedger.h"
#include "Workspace.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

#include <initializer_list>
#include <optional>
#include <vector>

class CaptureStore;
class Database;

// Writes what the workspace service sends into the library: its rows, its
// people and workspaces, and the removals it asks for. Only the sync engine
// applies them, on the store's own connection, so a reply's rows land inside
// the transactions the engine opens on the store.
class RemoteApplier {
public:
    explicit RemoteApplier(CaptureStore& store);

    // Rows from the service. A row lacking a required key, or naming a row
    // with an id that is unsafe as a file name, is skipped (and logged).
    void applyRemoteCapture(const QJsonObject& row);
    void applyRemoteGroup(const QJsonObject& row);
    void applyRemoteImage(const QJsonObject& row);
    void applyRemoteComment(const QJsonObject& row);
    void applyRemoteActivity(const QJsonObject& row);
    void applyRemoteGroupMember(const QJsonObject& row);
    void applyRemotePerson(const QJsonObject& row);
    void upsertPerson(const Person& person);
    void replaceWorkspaces(const std::vector<Workspace>& workspaces);
    std::optional<QString> personName(const std::optional<QString>& id);
    void remapGroup(const QString& from, const QString& to);

    // Removals the service asks for; they take the rows' files along.
    void dropCapture(const QString& id);
    void dropImage(const QString& id);
    void dropGroup(const QString& id);
    void dropWorkspace(const QString& id);
    // On sign-out: everything that came with the account; local work stays.
    void purgeAccountData();

private:
    // The fields of a row still waiting to be pushed; `exists` tells whether the row is there.
    QSet<QString> locallyPendingFields(const QString& table, const QString& id, bool& exists);
    // False when a remote row lacks a required id or names a row with an unsafe id (logged).
    bool acceptsRemoteIDs(const QJsonObject& row, const QString& table, std::initializer_list<const char*> required,
                          std::initializer_list<const char*> optional = {});

    CaptureStore& store_;
    Database* db_;
    SyncLedger ledger_;
};
