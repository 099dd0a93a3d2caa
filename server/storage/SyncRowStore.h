#pragma once

#include "Records.h"

#include <QStringList>

#include <functional>
#include <vector>

// The synced rows and their change feed. Every save gives the row the next
// feed position, so "everything after position N" is each row's latest
// version exactly once, in the order they were written.
class SyncRowStore {
public:
    virtual ~SyncRowStore() = default;

    // Runs body atomically: every save inside commits or none does.
    virtual void transaction(const std::function<void()>& body) = 0;

    virtual std::optional<SyncRow> row(const QString& table, const QString& id) = 0;
    // Stores the row and returns its new feed position (also written to row.seq).
    virtual std::int64_t save(SyncRow& row) = 0;
    // Rows after `cursor` that are or were in one of the workspaces, oldest
    // first, at most `limit`.
    virtual std::vector<SyncRow> rowsAfter(std::int64_t cursor, const QStringList& workspaceIds, int limit) = 0;
    // The rows of `table` hanging under any of the parents.
    virtual std::vector<SyncRow> children(const QString& table, const QStringList& parentIds) = 0;
    // The live captures of the workspaces: their ids and groups.
    virtual std::vector<std::pair<QString, std::optional<QString>>> liveCaptures(const QStringList& workspaceIds) = 0;
    // The live groups of a workspace with exactly that name.
    virtual std::vector<SyncRow> groupsNamed(const QString& workspaceId, const QString& name) = 0;
    // The screenshots of a workspace that name the file as any of their three.
    virtual std::vector<SyncRow> imagesWithBlob(const QString& workspaceId, const QString& sha256) = 0;
    // The newest feed position (0 for an empty feed).
    virtual std::int64_t latestSeq() = 0;
};
