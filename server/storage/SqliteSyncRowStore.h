#pragma once

#include "ServerDatabase.h"
#include "SyncRowStore.h"

class SqliteSyncRowStore : public SyncRowStore {
public:
    explicit SqliteSyncRowStore(ServerDatabase& database) : database_(database), db_(database.db()) {}

    void transaction(const std::function<void()>& body) override;
    std::optional<SyncRow> row(const QString& table, const QString& id) override;
    std::int64_t save(SyncRow& row) override;
    std::vector<SyncRow> rowsAfter(std::int64_t cursor, const QStringList& workspaceIds, int limit) override;
    std::vector<SyncRow> children(const QString& table, const QStringList& parentIds) override;
    std::vector<std::pair<QString, std::optional<QString>>> liveCaptures(const QStringList& workspaceIds) override;
    std::vector<SyncRow> groupsNamed(const QString& workspaceId, const QString& name) override;
    std::vector<SyncRow> imagesWithBlob(const QString& workspaceId, const QString& sha256) override;
    std::int64_t latestSeq() override { return database_.latestSeq(); }

private:
    ServerDatabase& database_;
    Database& db_;
};
