#include "GroupNames.h"

#include "store/CaptureStore.h"

GroupNames::GroupNames(CaptureStore& store) : store_(store) {
    for (const CaptureGroup& group : store_.groups())
        names_.insert(group.id, group.name);
}

std::optional<QString> GroupNames::name(const std::optional<QString>& groupID) {
    if (!groupID || groupID->isEmpty())
        return std::nullopt;
    auto found = names_.constFind(*groupID);
    if (found != names_.constEnd())
        return *found;
    const std::optional<CaptureGroup> group = store_.group(*groupID);
    const std::optional<QString> name = group ? std::optional(group->name) : std::nullopt;
    names_.insert(*groupID, name);
    return name;
}
