#pragma once

#include "capture/FrozenDesktop.h"
#include "capture/RegionHandles.h"

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
//
// Made adjustable, a dragged region stays up with handles until Enter.
// Picking windows, it is given their frames instead: the one under the
// pointer is the selection, and a click or Enter reports it.
class RegionSelectionOverlay : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<QRectF>)>;
    using FullScreenRequest = std::function<void(QPointF)>;

    explicit RegionSelectionOverlay(QObject* parent = nullptr);
    ~RegionSelectionOverlay() override;

    enum class Mode { region, window };

    void present(const FrozenDesktop& desktop, Completion onComplete, FullScreenRequest onFullScreen);
    // Picks one of `windows` (desktop coordinates, topmost first) instead of a
    // dragged region; Enter over no window takes the one at `activeIndex`.
    void presentWindows(const FrozenDesktop& desktop, std::vector<QRectF> windows, std::optional<size_t> activeIndex,
                        Completion onComplete, FullScreenRequest onFullScreen);
    // Whether the next region presented keeps its handles after the drag.
    void setAdjustable(bool adjustable) { adjustable_ = adjustable; }
    // Closes and reports; nothing is a cancel.
    void finish(const std::optional<QRectF>& selection);
    // Closes without reporting anything.
    void abandon();

    bool isShowing() const { return !windows_.empty(); }
    bool hasBegunDrag() const { return anchor_.has_value() || adjusted_.has_value(); }
    Mode mode() const { return mode_; }
    // A dragged region waits for Enter, its handles live.
    bool isAdjusting() const { return adjusted_.has_value(); }
    // What a press at this point would take hold of while adjusting.
    std::optional<RegionHandles::Grip> gripAt(const QPointF& point) const;
    const FrozenDesktop& desktop() const { return desktop_; }
    QPointF cursor() const { return cursor_; }
    // The rectangle being dragged or adjusted, normalised, or the window
    // under the pointer; none before a drag or over no window.
    std::optional<QRectF> selection() const;
    // The device-pixel size the selection will have, as the size read-out shows it.
    QSize selectionPixelSize() const;

    // Input, in desktop coordinates, as the windows receive it.
    void moveCursor(const QPointF& point);
    void beginDrag(const QPointF& point);
    void updateDrag(const QPointF& point);
    void endDrag();
    void requestFullScreen();
    // Enter: the region being adjusted, or the window under the pointer (else the active one).
    void confirm();

signals:
    // Every window should repaint what changed.
    void selectionChanged();

private:
    void show(const FrozenDesktop& desktop, Completion onComplete, FullScreenRequest onFullScreen);
    // Takes the windows down and runs `then` once they are all hidden.
    void dismiss(std::function<void()> then = {});
    void resetDrag();
    std::optional<QRectF> windowAt(const QPointF& point) const;

    FrozenDesktop desktop_;
    std::vector<SelectionWindow*> windows_;
    // Taken down but not yet hidden; spare once they are.
    std::vector<SelectionWindow*> retiring_;
    // Hidden between captures, kept for the next one. Deleted later: a
    // window may be inside its own event handler when the overlay closes.
    std::vector<SelectionWindow*> spare_;
    Completion completion_;
    FullScreenRequest fullScreenRequest_;
    std::optional<QPointF> anchor_;
    std::optional<QPointF> current_;
    QPointF cursor_;
    bool hasDragged_ = false;
    Mode mode_ = Mode::region;
    bool adjustable_ = false;
    std::vector<QRectF> windowFrames_;
    std::optional<QRectF> activeWindowFrame_;
    // The region whose handles are live, and the gesture changing it.
    std::optional<QRectF> adjusted_;
    std::optional<RegionHandles::Grip> grip_;
    QPointF gripStart_;
    QRectF gripRegion_;
};
