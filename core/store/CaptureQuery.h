#pragma once

#include "LibraryEnums.h"

#include <QString>

#include <optional>
#include <vector>

// The filter of the board's captures query; every optional field defaults to none.
struct CaptureQuery {
    std::optional<std::vector<CaptureStatus>> statuses;
    std::optional<QString> groupID;
    std::optional<QString> groupName;
    std::optional<QString> tag;
    std::optional<QString> search;
    std::optional<CapturePriority> priority;
    std::optional<QString> workspaceID;
    std::optional<QString> assigneeID;
    std::optional<QString> authorID;
    int limit = 1000;
    int offset = 0;
    bool newestFirst = true;
    // High priority before normal before low, each by creation time; false
    // orders by creation time alone (a board sorted by date pages that way).
    bool priorityFirst = true;

    bool operator==(const CaptureQuery&) const = default;
};
