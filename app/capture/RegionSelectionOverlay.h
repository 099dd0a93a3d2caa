#pragma once

#include "capture/FrozenDesktop.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SelectionWindow;

// The region picker: one window per screen showing the frozen desktop
// dimmed, in which the user drags out a rectangle. It reports the rectangle
// (desktop coordinates), a request for the whole screen under the pointer
// (Space), or a cancel (Esc, a click, a drag under the minimum size). It
// knows nothing about capturing. Reused for every region capture.
class RegionSelectionOverlay : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<QRectF>)>;
    using FullScreenRequest = std::function<void(QPointF)>;

    explicit RegionSelectionOverlay(QObject* parent = nullptr);
    ~RegionSelectionOverlay() override;

    void present(const FrozenDesktop& desktop, Completion onComplete, FullScreenRequest onFullScreen);
    // Closes and reports; nothing is a cancel.
    void finish(const std::optional<QRectF>& selection);
    // Closes without reporting anything.
    void abandon();

    bool isShowing() const { return !windows_.empty(); }
    bool hasBegunDrag() const { return anchor_.has_value(); }
    const FrozenDesktop& desktop() const { return desktop_; }
    QPointF cursor() const { return cursor_; }
    // The rectangle being dragged, normalised; none before a drag.
    std::optional<QRectF> selection() const;
    // The device-pixel size the selection will have, as the size read-out shows it.
    QSize selectionPixelSize() const;

    // Input, in desktop coordinates, as the windows receive it.
    void moveCursor(const QPointF& point);
    void beginDrag(const QPointF& point);
    void updateDrag(const QPointF& point);
    void endDrag();
    void requestFullScreen();

signals:
    // Every window should repaint what changed.
    void selectionChanged();

private:
    void dismiss();
    void resetDrag();

    FrozenDesktop desktop_;
    // Deleted later: a window may be inside its own event handler when the overlay closes.
    std::vector<SelectionWindow*> windows_;
    Completion completion_;
    FullScreenRequest fullScreenRequest_;
    std::optional<QPointF> anchor_;
    std::optional<QPointF> current_;
    QPointF cursor_;
    bool hasDragged_ = false;
};
