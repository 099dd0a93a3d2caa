#include "DashboardViewModel.h"

#include "BoardHeader.h"
#include "BoardQuery.h"
#include "CaptureFilterEngine.h"
#include "library/Library.h"

#include "common/Identifiers.h"

DashboardViewModel::DashboardViewModel(Library& library, QObject* parent) : QObject(parent), library_(library) {
    connect(&library_, &Library::changed, this, &DashboardViewModel::recompute);
    connect(&library_, &Library::foundChanged, this, &DashboardViewModel::showCaptures);
    connect(&library_, &Library::screenshotTextChanged, this, [this] {
        if (!search_.trimmed().isEmpty())
            recompute();
    });
    recompute();
}

void DashboardViewModel::setFilter(const LibraryFilter& filter) {
    if (filter == filter_)
        return;
    filter_ = filter;
    recompute();
}

void DashboardViewModel::setSearch(const QString& search) {
    if (search == search_)
        return;
    search_ = search;
    recompute();
}

void DashboardViewModel::setSort(SortOrder sort) {
    if (sort == sort_)
        return;
    sort_ = sort;
    recompute();
}

void DashboardViewModel::setLayout(LayoutMode layout) {
    if (layout == layout_)
        return;
    layout_ = layout;
    emit layoutChanged();
}

void DashboardViewModel::select(const std::optional<QString>& captureID) {
    if (captureID == selected_)
        return;
    selected_ = captureID;
    emit selectionChanged();
}

bool DashboardViewModel::needsStore() const {
    // The loaded page is the newest captures only; for a larger library,
    // anything that picks or orders from older ones asks the store.
    return library_.isTruncated() && (!search_.trimmed().isEmpty() ||
                                      filter_.kind != LibraryFilter::Kind::everything || sort_ == SortOrder::oldest);
}

void DashboardViewModel::recompute() {
    library_.setStoreQuery(needsStore() ? std::optional(BoardQuery::forStore(filter_, search_, sort_,
                                                                             library_.currentUserID()))
                                        : std::nullopt);
    showCaptures();
}

void DashboardViewModel::showCaptures() {
    if (const LibraryPage* found = library_.found()) {
        // The store has searched already; only the order is the board's.
        visible_ = CaptureFilterEngine::apply(found->captures, filter_, QString(), sort_, found->tagsByCapture,
                                              library_.currentUserID());
    } else {
        // Until the store answers (or for a library the board holds whole), the loaded captures.
        const bool searchScreenshots = !search_.trimmed().isEmpty() && !library_.isSearching();
        const QSet<QString> screenshotMatches =
            searchScreenshots ? library_.capturesWithScreenshotText(search_) : QSet<QString>();
        visible_ = CaptureFilterEngine::apply(library_.captures(), filter_, search_, sort_, library_.tagsByCapture(),
                                              library_.currentUserID(), screenshotMatches);
    }
    groupCounts_ = CaptureFilterEngine::activeCountsByGroup(library_.captures());
    emit boardChanged();
}

QString DashboardViewModel::title() const {
    return BoardHeader::title(filter_, library_.groups());
}

QString DashboardViewModel::subtitle() const {
    // The inbox's waiting work is counted in the library, so a library larger
    // than the board loads is not undercounted.
    if (filter_.kind == LibraryFilter::Kind::inbox && search_.trimmed().isEmpty() && library_.isTruncated())
        return BoardHeader::subtitle(filter_, library_.openCount(),
                                     library_.activeCounts().byPriority.value(CapturePriority::high));
    if (library_.isSearching())
        return tr("Searching the whole library…");
    return BoardHeader::subtitle(filter_, visible_);
}

BoardEmptyState DashboardViewModel::emptyState() const {
    return BoardEmptyState::forFilter(filter_, search_);
}

int DashboardViewModel::count(const LibraryFilter& filter) const {
    using Kind = LibraryFilter::Kind;
    switch (filter.kind) {
    case Kind::inbox: return library_.openCount();
    case Kind::assignedToMe: return library_.assignedToMeCount();
    case Kind::status: return library_.counts().value(filter.status);
    case Kind::group:
        return library_.isTruncated() ? library_.activeCounts().byGroup.value(filter.value)
                                      : groupCounts_.value(filter.value);
    case Kind::mine:
        return int(std::count_if(library_.captures().begin(), library_.captures().end(),
                                 [this](const Capture& c) { return library_.isMine(c); }));
    case Kind::everything: {
        int total = 0;
        for (int n : library_.counts())
            total += n;
        return total;
    }
    case Kind::tag: return 0;
    }
    return 0;
}

bool DashboardViewModel::deleteCapture(const QString& captureID) {
    const bool wasSelected = selected_ == captureID;
    if (!library_.remove(captureID))
        return false;
    if (wasSelected)
        select(std::nullopt);
    return true;
}

bool DashboardViewModel::markResolved(const QString& captureID) {
    return library_.setStatus(CaptureStatus::resolved, captureID);
}

bool DashboardViewModel::createGroup(const QString& name, const QString& colorHex, const QString& folder) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return false;
    CaptureGroup group;
    group.id = Identifiers::make();
    group.name = trimmed;
    group.colorHex = colorHex;
    if (const QString path = folder.trimmed(); !path.isEmpty())
        group.path = path;
    group.createdAt = group.updatedAt = QDateTime::currentDateTimeUtc();
    return library_.addGroup(group);
}

bool DashboardViewModel::deleteGroup(const QString& groupID) {
    if (!library_.deleteGroup(groupID))
        return false;
    if (filter_ == LibraryFilter::ofGroup(groupID))
        setFilter(LibraryFilter::inbox());
    return true;
}

