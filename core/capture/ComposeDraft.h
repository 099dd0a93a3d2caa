#pragma once

#include "store/LibraryEnums.h"

#include <QString>

#include <optional>

// What the note box holds, kept while it steps aside for another screenshot
// or for markup. A default-constructed draft is the empty one.
struct ComposeDraft {
    QString note;
    CapturePriority priority = CapturePriority::normal;
    std::optional<QString> groupID;
    QString tagText;
    std::optional<QString> selectedImageID;
    QString pendingGroupName;

    friend bool operator==(const ComposeDraft&, const ComposeDraft&) = default;
};
