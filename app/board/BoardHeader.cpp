#include "BoardHeader.h"

#include <QCoreApplication>

#include <algorithm>

namespace BoardHeader {

QString title(const LibraryFilter& filter, const std::vector<CaptureGroup>& groups) {
    if (filter.kind == LibraryFilter::Kind::group) {
        const auto it =
            std::find_if(groups.begin(), groups.end(), [&](const CaptureGroup& g) { return g.id == filter.value; });
        if (it != groups.end())
            return it->name;
    }
    return filter.title();
}

QString subtitle(const LibraryFilter& filter, const std::vector<Capture>& displayed) {
    return subtitle(filter, qsizetype(displayed.size()),
                    std::count_if(displayed.begin(), displayed.end(),
                                  [](const Capture& c) { return c.priority == CapturePriority::high; }));
}

QString subtitle(const LibraryFilter& filter, qsizetype n, qsizetype high) {
    if (filter.kind != LibraryFilter::Kind::inbox || n == 0)
        return n == 1 ? QCoreApplication::translate("BoardHeader", "1 capture")
                      : QCoreApplication::translate("BoardHeader", "%1 captures").arg(n);
    const QString waiting = n == 1 ? QCoreApplication::translate("BoardHeader", "1 capture waiting")
                                   : QCoreApplication::translate("BoardHeader", "%1 captures waiting").arg(n);
    if (high == 0)
        return waiting;
    return QCoreApplication::translate("BoardHeader", "%1 · %2 high priority").arg(waiting).arg(high);
}

} // namespace BoardHeader
