#include "BoardEmptyState.h"

BoardEmptyState BoardEmptyState::forFilter(const LibraryFilter& filter, const QString& search) {
    using Kind = LibraryFilter::Kind;
    const QString matching = QStringLiteral("Captures matching this filter will show up here.");
    const QString viewfinder = QStringLiteral("viewfinder");
    if (!search.trimmed().isEmpty())
        return {"No matches", "Try a different search — notes, app names, window titles and URLs are all searchable.",
                "magnifyingglass"};
    switch (filter.kind) {
    case Kind::status:
        if (filter.status == CaptureStatus::resolved)
            return {"Nothing resolved yet", "Captures you or an agent mark as fixed will collect here.",
                    "checkmark.circle"};
        if (filter.status == CaptureStatus::archived)
            return {"Nothing archived", matching, "archivebox"};
        return {"No captures yet", matching, viewfinder};
    case Kind::group: return {"This group is empty", matching, viewfinder};
    case Kind::tag: return {"No captures with this tag", matching, viewfinder};
    case Kind::inbox:
        return {"Nothing on the board",
                "When you spot something wrong, grab it. The screenshot and your note land here, and your agent can "
                "read both.",
                viewfinder, true};
    case Kind::assignedToMe: return {"Nothing assigned to you", matching, viewfinder};
    case Kind::mine: return {"You haven't filed anything yet", matching, viewfinder};
    case Kind::everything: return {"No captures yet", matching, viewfinder};
    }
    return {};
}
