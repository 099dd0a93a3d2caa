#include "BoardQuery.h"

#include "library/LibrarySnapshot.h"

namespace BoardQuery {

CaptureQuery forStore(const LibraryFilter& filter, const QString& search, SortOrder sort,
                      const std::optional<QString>& currentUserID) {
    using Kind = LibraryFilter::Kind;
    CaptureQuery query;
    query.limit = LibrarySnapshot::captureLimit;
    const std::vector<CaptureStatus> active{CaptureStatus::open, CaptureStatus::inProgress};
    switch (filter.kind) {
    case Kind::status: query.statuses = std::vector{filter.status}; break;
    case Kind::group: query.groupID = filter.value; break;
    case Kind::tag: query.tag = filter.value; break;
    case Kind::inbox: query.statuses = active; break;
    case Kind::assignedToMe:
        query.statuses = active;
        // Signed out, nobody is "me": an id no capture is assigned to.
        query.assigneeID = currentUserID.value_or(QString());
        break;
    case Kind::mine: query.authorID = currentUserID.value_or(QString()); break;
    case Kind::everything: break;
    }
    if (const QString trimmed = search.trimmed(); !trimmed.isEmpty())
        query.search = trimmed;
    query.newestFirst = sort != SortOrder::oldest;
    query.priorityFirst = sort == SortOrder::priority;
    return query;
}

} // namespace BoardQuery
