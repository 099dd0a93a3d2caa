#include "CaptureFilterEngine.h"

#include <algorithm>

namespace {

bool isActive(CaptureStatus s) {
    return s == CaptureStatus::open || s == CaptureStatus::inProgress;
}

// Orders by Unicode scalar value; QString's own comparison works on UTF-16
// units, which puts characters above U+FFFF before U+E000..U+FFFF.
int compareScalars(const QString& a, const QString& b) {
    auto ia = a.begin(), ib = b.begin();
    auto next = [](QString::const_iterator& it, QString::const_iterator end) -> char32_t {
        const QChar c = *it++;
        if (c.isHighSurrogate() && it != end && it->isLowSurrogate())
            return QChar::surrogateToUcs4(c, *it++);
        return c.unicode();
    };
    while (ia != a.end() && ib != b.end()) {
        const char32_t ca = next(ia, a.end()), cb = next(ib, b.end());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (ia != a.end()) - (ib != b.end());
}

// Captures without an application sort as if named U+10FFFF: after everything.
const QString& appSortKey(const Capture& c) {
    static const QString last = QString::fromUcs4(U"\U0010FFFF", 1);
    return c.context.appName ? *c.context.appName : last;
}

} // namespace

namespace CaptureFilterEngine {

bool matches(const Capture& c, const LibraryFilter& filter, const QMap<QString, QStringList>& tagsByCapture,
             const std::optional<QString>& currentUserID) {
    using Kind = LibraryFilter::Kind;
    switch (filter.kind) {
    case Kind::status: return c.status == filter.status;
    case Kind::group: return c.groupID && *c.groupID == filter.value;
    case Kind::tag: {
        const auto it = tagsByCapture.constFind(c.id);
        return it != tagsByCapture.constEnd() && it->contains(filter.value);
    }
    case Kind::inbox: return isActive(c.status);
    case Kind::assignedToMe: return currentUserID && c.assigneeID == currentUserID && isActive(c.status);
    case Kind::mine: return !c.authorID || (currentUserID && *c.authorID == *currentUserID);
    case Kind::everything: return true;
    }
    return false;
}

std::vector<Capture> apply(const std::vector<Capture>& captures, const LibraryFilter& filter, const QString& search,
                           SortOrder sort, const QMap<QString, QStringList>& tagsByCapture,
                           const std::optional<QString>& currentUserID, const QSet<QString>& screenshotMatches) {
    const QString needle = search.trimmed().toLower();
    std::vector<const Capture*> kept;
    kept.reserve(captures.size());
    QString haystack;
    for (const Capture& c : captures) {
        if (!matches(c, filter, tagsByCapture, currentUserID))
            continue;
        if (!needle.isEmpty() && !screenshotMatches.contains(c.id)) {
            // The parts are joined with spaces, so a search may span two of them.
            haystack = c.note;
            haystack += u' ';
            haystack += c.context.appName.value_or(QString());
            haystack += u' ';
            haystack += c.context.windowTitle.value_or(QString());
            haystack += u' ';
            haystack += c.context.url.value_or(QString());
            haystack += u' ';
            haystack += tagsByCapture.value(c.id).join(u' ');
            if (!haystack.toLower().contains(needle))
                continue;
        }
        kept.push_back(&c);
    }

    auto newer = [](const Capture* a, const Capture* b) { return a->createdAt > b->createdAt; };
    switch (sort) {
    case SortOrder::newest: std::stable_sort(kept.begin(), kept.end(), newer); break;
    case SortOrder::oldest:
        std::stable_sort(kept.begin(), kept.end(),
                         [](const Capture* a, const Capture* b) { return a->createdAt < b->createdAt; });
        break;
    case SortOrder::priority:
        std::stable_sort(kept.begin(), kept.end(), [&](const Capture* a, const Capture* b) {
            if (a->priority != b->priority)
                return sortWeight(a->priority) < sortWeight(b->priority);
            return newer(a, b);
        });
        break;
    case SortOrder::app:
        std::stable_sort(kept.begin(), kept.end(), [&](const Capture* a, const Capture* b) {
            if (const int order = compareScalars(appSortKey(*a), appSortKey(*b)))
                return order < 0;
            return newer(a, b);
        });
        break;
    }

    std::vector<Capture> result;
    result.reserve(kept.size());
    for (const Capture* c : kept)
        result.push_back(*c);
    return result;
}

QMap<QString, int> activeCountsByGroup(const std::vector<Capture>& captures) {
    QMap<QString, int> result;
    for (const Capture& c : captures)
        if (c.groupID && isActive(c.status))
            ++result[*c.groupID];
    return result;
}

} // namespace CaptureFilterEngine
