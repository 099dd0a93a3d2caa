#pragma once

#include "store/CaptureStore.h"

#include <QMap>
#include <QStringList>

#include <optional>
#include <vector>

// Everything the board shows of the library at one moment.
struct LibrarySnapshot {
    // The board holds at most this many captures.
    static constexpr int captureLimit = 1000;

    std::vector<Capture> captures;
    std::vector<CaptureGroup> groups;
    QMap<CaptureStatus, int> counts;
    // Open and in-progress captures of the whole library, not only those loaded.
    ActiveCounts active;
    QMap<QString, QStringList> tagsByCapture;
    QMap<QString, int> commentCounts;
    QStringList allTags;
    QMap<QString, int> imageCounts;
    std::vector<Person> people;
    std::vector<Workspace> workspaces;
    std::optional<QString> currentUserID;
    // The store's change stamp of exactly these rows.
    QString stamp;

    // Reads in one transaction, so a write landing meanwhile moves the stamp
    // past what was read instead of hiding behind it. Throws what the store throws.
    static LibrarySnapshot read(CaptureStore& store);
};
