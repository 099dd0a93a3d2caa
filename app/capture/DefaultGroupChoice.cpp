#include "capture/DefaultGroupChoice.h"

#include <QCoreApplication>

#include <algorithm>

DefaultGroupChoice::Choice DefaultGroupChoice::choose(const std::optional<QString>& preferred,
                                                      const std::vector<CaptureGroup>& groups) {
    if (!preferred)
        return {};
    if (std::any_of(groups.begin(), groups.end(), [&](const CaptureGroup& g) { return g.id == *preferred; }))
        return {preferred, {}};
    if (told_.contains(*preferred))
        return {};
    told_.insert(*preferred);
    return {std::nullopt,
            QCoreApplication::translate("DefaultGroupChoice",
                                        "The group set for new captures isn't in this library, so this capture "
                                        "goes in no group. Choose another in Settings ▸ General.")};
}
