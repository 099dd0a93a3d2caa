#pragma once

#include "store/CaptureGroup.h"

#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// The group a new capture starts in. Preferences outlive a library (another
// ZORVI_HOME, a deleted or moved folder), so the chosen default group may name
// nothing here: the capture then starts in no group, and the note box says
// so the first time that group is missed.
class DefaultGroupChoice {
public:
    struct Choice {
        std::optional<QString> groupID;
        // Empty unless this is the first capture to miss the chosen group.
        QString notice;
    };

    Choice choose(const std::optional<QString>& preferred, const std::vector<CaptureGroup>& groups);

private:
    QSet<QString> told_;
};
