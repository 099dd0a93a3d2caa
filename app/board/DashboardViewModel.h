#pragma once

#include "BoardEmptyState.h"
#include "LibraryFilter.h"
#include "SortOrder.h"

#include "store/Capture.h"
#include "store/CaptureGroup.h"

#include <QObject>

#include <optional>
#include <vector>

class Library;

// The board window's state over the library: filter, search, sort, layout
// and the selected capture, and what follows from them. No widgets.
class DashboardViewModel : public QObject {
    Q_OBJECT
  public:
    explicit DashboardViewModel(Library& library, QObject* parent = nullptr);

    Library& library() { return library_; }

    const LibraryFilter& filter() const { return filter_; }
    const QString& search() const { return search_; }
    SortOrder sort() const { return sort_; }
    LayoutMode layout() const { return layout_; }
    const std::optional<QString>& selectedCaptureID() const { return selected_; }

    void setFilter(const LibraryFilter& filter);
    void setSearch(const QString& search);
    void setSort(SortOrder sort);
    void setLayout(LayoutMode layout);
    // Opens a capture's detail, or closes it with none.
    void select(const std::optional<QString>& captureID);

    // The filtered, searched and sorted captures the board shows.
    const std::vector<Capture>& visibleCaptures() const { return visible_; }
    QString title() const;
    QString subtitle() const;
    BoardEmptyState emptyState() const;
    // The sidebar's count for a filter row: 0 shows nothing.
    int count(const LibraryFilter& filter) const;

    // Board actions; each goes through the library view model.
    bool deleteCapture(const QString& captureID);
    bool markResolved(const QString& captureID);
    // Trims name and folder; a blank name creates nothing and returns false.
    bool createGroup(const QString& name, const QString& colorHex, const QString& folder);
    // Archives a workspace group, deletes a local one; the inbox takes over if it was showing.
    bool deleteGroup(const QString& groupID);


  signals:
    // The shown list, its header or the sidebar's counts changed.
    void boardChanged();
    void selectionChanged();
    void layoutChanged();

  private:
    bool needsStore() const;
    // Filter, search and sort changed, or the library did.
    void recompute();
    // The same query, with what the store found for it.
    void showCaptures();

    Library& library_;
    LibraryFilter filter_ = LibraryFilter::inbox();
    QString search_;
    SortOrder sort_ = SortOrder::newest;
    LayoutMode layout_ = LayoutMode::grid;
    std::optional<QString> selected_;
    std::vector<Capture> visible_;
    QMap<QString, int> groupCounts_;
};
