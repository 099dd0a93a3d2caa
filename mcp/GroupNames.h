#pragma once

#include <QHash>
#include <QString>

#include <optional>

class CaptureStore;

// Group names for captures' group ids, read once per tool call. A group that
// has since been archived is still named; a deleted one reads as none.
class GroupNames {
public:
    explicit GroupNames(CaptureStore& store);
    std::optional<QString> name(const std::optional<QString>& groupID);

private:
    CaptureStore& store_;
    QHash<QString, std::optional<QString>> names_;
};
