#pragma once

#include "SortOrder.h"

#include <QStyledItemDelegate>

#include <optional>
#include <utility>

class Library;
struct Capture;

// Paints a capture as a card (grid) or a one-line row (list), with the hover
// actions "Mark resolved" and "Delete".
class CaptureCardDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    static constexpr QSize cardSize{248, 236};
    static constexpr int rowHeight = 56;

    CaptureCardDelegate(Library& library, QObject* parent = nullptr);

    void setLayout(LayoutMode layout) { layout_ = layout; }
    // Cards grow from cardSize's width to share a wide board's width evenly.
    void setCardWidth(int width) { cardWidth_ = width; }
    int cardWidth() const { return cardWidth_; }
    LayoutMode layout() const { return layout_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // The view reports a click on a card even when it landed on a hover
    // button; true (once) when the last click was such a button's.
    bool takeActionClick() { return std::exchange(actionClicked_, false); }
    // Where the hover "Mark resolved" button of a card in `item` sits; none for a resolved capture.
    std::optional<QRect> resolveButton(const QRect& item, const Capture& capture) const;

  signals:
    void resolveClicked(const QString& captureID);
    void deleteClicked(const QString& captureID);

  protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

  private:
    enum class Action { resolve, remove };
    // Where the hover action buttons sit; resolve first, absent for a resolved capture.
    std::vector<std::pair<Action, QRect>> actionRects(const QRect& item, const Capture& capture) const;
    void paintCard(QPainter* p, const QRect& r, const Capture& c, bool selected, bool hovered) const;
    void paintRow(QPainter* p, const QRect& r, const Capture& c, bool selected, bool hovered) const;
    void paintThumbnail(QPainter* p, const QRect& r, const Capture& c) const;
    // Status pill and priority badge from `at`; returns the right edge.
    int paintBadges(QPainter* p, QPoint at, const Capture& c) const;
    int paintChip(QPainter* p, QPoint at, const QString& text, const QColor& fg, const QColor& bg) const;
    // As many of the capture's tags as fit in `available`, then "+N"; returns the right edge.
    int paintTags(QPainter* p, QPoint at, int available, const QStringList& tags) const;
    void paintFacts(QPainter* p, QRect line, const Capture& c) const;
    void paintActions(QPainter* p, const QRect& item, const Capture& c) const;

    Library& library_;
    LayoutMode layout_ = LayoutMode::grid;
    int cardWidth_ = cardSize.width();
    bool actionClicked_ = false;
};
