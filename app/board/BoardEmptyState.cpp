#include "BoardEmptyState.h"

BoardEmptyState BoardEmptyState::forFilter(const LibraryFilter& filter, const QString& search) {
    using Kind = LibraryFilter::Kind;
    const QString matching = tr("Captures matching this filter will show up here.");
    const QString viewfinder = QStringLiteral("viewfinder");
    if (!search.trimmed().isEmpty())
        return {tr("No matches"),
                tr("Try a different search — notes, app names, window titles and URLs are all searchable."),
                "magnifyingglass"};
    switch (filter.kind) {
    case Kind::status:
        if (filter.status == CaptureStatus::resolved)
            return {tr("Nothing resolved yet"), tr("Captures you or an agent mark as fixed will collect here."),
                    "checkmark.circle"};
        if (filter.status == CaptureStatus::archived)
            return {tr("Nothing archived"), matching, "archivebox"};
        return {tr("No captures yet"), matching, viewfinder};
    case Kind::group: return {tr("This group is empty"), matching, viewfinder};
    case Kind::tag: return {tr("No captures with this tag"), matching, viewfinder};
    case Kind::inbox:
        return {tr("Nothing on the board"),
                tr("When you spot something wrong, grab it. The screenshot and your note land here, and your agent "
                   "can read both."),
                viewfinder, true};
    case Kind::assignedToMe: return {tr("Nothing assigned to you"), matching, viewfinder};
    case Kind::mine: return {tr("You haven't filed anything yet"), matching, viewfinder};
    case Kind::everything: return {tr("No captures yet"), matching, viewfinder};
    }
    return {};
}
