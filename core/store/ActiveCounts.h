#pragma once

#include "LibraryEnums.h"

#include <QMap>
#include <QString>

class Database;

// Where the open work is: live captures that are open or in progress,
// counted by group, by priority, and unclaimed.
struct ActiveCounts {
    // Group id to count; captures without a group are under the empty key.
    QMap<QString, int> byGroup;
    QMap<CapturePriority, int> byPriority;
    int unclaimed = 0;

    // One grouped statement over the status index, whatever the library size.
    static ActiveCounts read(Database& db);
};
