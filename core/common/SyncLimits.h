#pragma once

#include <QtGlobal>

// The largest values a synced row may carry. The service refuses a row that
// exceeds one; the desktop keeps within them so that never happens to a
// person's own work.
namespace SyncLimits {

inline constexpr qsizetype maxText = 4096;      // titles, names, addresses
inline constexpr qsizetype maxLongText = 65536; // notes, comments, marks
inline constexpr qsizetype maxTags = 100;

} // namespace SyncLimits
