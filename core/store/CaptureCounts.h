#pragma once

#include "LibraryEnums.h"

#include <QMap>
#include <QString>

class Database;

// Grouped counts of live, active (open or in progress) captures, for
// summaries of where the open work is. Each is one grouped statement.
namespace CaptureCounts {

// Group id to count; captures without a group are under the empty key.
QMap<QString, int> activeByGroup(Database& db);
QMap<CapturePriority, int> activeByPriority(Database& db);
// Active captures nobody has claimed.
int activeUnclaimed(Database& db);

} // namespace CaptureCounts
