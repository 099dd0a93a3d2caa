#pragma once

#include "PgDatabase.h"
#include "storage/SyncRowStore.h"

// The synced rows on PostgreSQL. Every transaction holds the feed counter
// from its start, so a merge reads and writes rows no other instance is
// changing at the same time, and positions commit in order.
class PgSyncRowStore : public SyncRowStore {
public:
    explicit PgSyncRowStore(PgDatabase& database) : database_(database), pool_(database.pool()) {}

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
    std::vector<SyncRow> select(const char* sql, const std::vector<PgValue>& params);

    PgDatabase& database_;
    PgPool& pool_;
};
