#pragma once

#include "common/Identifiers.h"
#include "storage/Records.h"

// The first version of a row the service itself writes under a capture
// (a history entry, a conflict note), in the capture's workspace.
inline SyncRow newRowUnderCapture(const SyncRow& capture, QString table, QJsonObject data) {
    SyncRow row;
    row.table = std::move(table);
    row.id = Identifiers::make();
    row.workspaceId = capture.workspaceId;
    row.parentId = capture.id;
    row.version = 1;
    row.data = std::move(data);
    row.data.insert("capture_id", capture.id);
    return row;
}
