#pragma once

#include "LibraryEnums.h"

#include <QMap>
#include <QString>

// Where the open work is: live captures that are open or in progress,
// counted by group, by priority, and unclaimed.
struct ActiveCounts {
    // Group id to count; captures without a group are under the empty key.
    QMap<QString, int> byGroup;
    QMap<CapturePriority, int> byPriority;
    int unclaimed = 0;
};
