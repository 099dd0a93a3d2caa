#include "BoardHeader.h"

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
    QString text = QString::number(n) + (n == 1 ? " capture" : " captures");
    if (filter.kind != LibraryFilter::Kind::inbox || n == 0)
        return text;
    text += " waiting";
    if (high > 0)
        text += " · " + QString::number(high) + " high priority";
    return text;
}

} // namespace BoardHeader
