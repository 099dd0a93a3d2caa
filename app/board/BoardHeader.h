#pragma once

#include "LibraryFilter.h"

#include "store/Capture.h"
#include "store/CaptureGroup.h"

#include <vector>

// The board's title and subtitle above what it shows.
namespace BoardHeader {

// The filter's title; a group filter shows the group's name, or "Group" once it is gone.
QString title(const LibraryFilter& filter, const std::vector<CaptureGroup>& groups);
// "5 captures waiting · 2 high priority" for the inbox, "12 captures" elsewhere.
QString subtitle(const LibraryFilter& filter, const std::vector<Capture>& displayed);
// The same from counts, for a library larger than what the board loads.
QString subtitle(const LibraryFilter& filter, qsizetype captures, qsizetype highPriority);

} // namespace BoardHeader
