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
    // Ids of the live captures of the workspaces.
    virtual QStringList liveCaptureIds(const QStringList& workspaceIds) = 0;
    // The newest feed position (0 for an empty feed).
    virtual std::int64_t latestSeq() = 0;
};
