#pragma once

#include "LibraryFilter.h"
#include "SortOrder.h"

#include "store/CaptureQuery.h"

#include <optional>

// The store's query for what the board would show of the whole library:
// the sidebar's filter and the toolbar's search as CaptureFilterEngine reads
// them, paged in the board's order so the page holds the captures the sort
// puts first.
namespace BoardQuery {

CaptureQuery forStore(const LibraryFilter& filter, const QString& search, SortOrder sort,
                      const std::optional<QString>& currentUserID);

} // namespace BoardQuery
