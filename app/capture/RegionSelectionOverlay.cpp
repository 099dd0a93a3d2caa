#include "capture/RegionSelectionOverlay.h"

#include "capture/CaptureLog.h"
#include "capture/SelectionWindow.h"

#include <QCursor>
#include <QPointer>

RegionSelectionOverlay::RegionSelectionOverlay(QObject* parent) : QObject(parent) {}

RegionSelectionOverlay::~RegionSelectionOverlay() {
    // Every window goes at once, whether up, on its way down or spare.
    for (std::vector<SelectionWindow*>* windows : {&windows_, &retiring_, &spare_})
        for (SelectionWindow* window : std::exchange(*windows, {})) {
            window->hide();
            window->deleteLater();
        }
}

void RegionSelectionOverlay::present(const FrozenDesktop& desktop, Completion onComplete,
                                     FullScreenRequest onFullScreen) {
    dismiss();
    mode_ = Mode::region;
    show(desktop, std::move(onComplete), std::move(onFullScreen));
}

void RegionSelectionOverlay::presentWindows(const FrozenDesktop& desktop, std::vector<QRectF> windows,
                                            std::optional<size_t> activeIndex, Completion onComplete,
                                            FullScreenRequest onFullScreen) {
    dismiss();
    mode_ = Mode::window;
    windowFrames_ = std::move(windows);
    if (activeIndex && *activeIndex < windowFrames_.size())
        activeWindowFrame_ = windowFrames_[*activeIndex];
    show(desktop, std::move(onComplete), std::move(onFullScreen));
}

void RegionSelectionOverlay::show(const FrozenDesktop& desktop, Completion onComplete,
                                  FullScreenRequest onFullScreen) {
    completion_ = std::move(onComplete);
    fullScreenRequest_ = std::move(onFullScreen);
    cursor_ = QCursor::pos();
    if (desktop.isEmpty()) {
        finish(std::nullopt);
        return;
    }
    desktop_ = desktop;
    for (const ScreenFrame& frame : desktop_.frames()) {
        // The same screen's window from an earlier capture maps without a
        // new native window or a new buffer to fill page by page.
        auto spare = std::find_if(spare_.begin(), spare_.end(), [&](SelectionWindow* window) {
            return window->geometry() == frame.geometry;
        });
        if (spare == spare_.end() && !spare_.empty())
            spare = spare_.begin();
        if (spare != spare_.end()) {
            (*spare)->setFrame(frame);
            windows_.push_back(*spare);
            spare_.erase(spare);
        } else {
            windows_.push_back(new SelectionWindow(*this, frame));
        }
    }
    for (SelectionWindow* window : std::exchange(spare_, {}))
        window->deleteLater();
    const ScreenFrame* underCursor = desktop_.frameAt(cursor_);
    qCDebug(captureLog) << "overlay up on" << windows_.size() << "screens, the keyboard to"
                        << (underCursor ? underCursor->name : QString());
    for (SelectionWindow* window : windows_)
        window->showOverDesktop(underCursor && window->frame().geometry == underCursor->geometry);
}

void RegionSelectionOverlay::finish(const std::optional<QRectF>& selection) {
    Completion completion = std::exchange(completion_, nullptr);
    fullScreenRequest_ = nullptr;
    dismiss([completion = std::move(completion), selection] {
        if (completion)
            completion(selection);
    });
}

void RegionSelectionOverlay::abandon() {
    completion_ = nullptr;
    fullScreenRequest_ = nullptr;
    dismiss();
}

void RegionSelectionOverlay::dismiss(std::function<void()> then) {
    resetDrag();
    adjusted_.reset();
    windowFrames_.clear();
    activeWindowFrame_.reset();
    // The frozen frames are the biggest thing the app holds: they go with the windows.
    desktop_ = FrozenDesktop();
    const std::vector<SelectionWindow*> leaving = std::exchange(windows_, {});
    if (leaving.empty()) {
        if (then)
            then();
        return;
    }
    // Whatever comes next waits until no window is left up: a window opened
    // beneath a full-screen one would not get the keyboard.
    auto left = std::make_shared<size_t>(leaving.size());
    auto whenAllGone = std::make_shared<std::function<void()>>(std::move(then));
    QPointer<RegionSelectionOverlay> self(this);
    for (SelectionWindow* window : leaving) {
        retiring_.push_back(window);
        window->putAway([self, window, left, whenAllGone] {
            if (!self)
                return;
            std::erase(self->retiring_, window);
            self->spare_.push_back(window);
            if (--*left == 0 && *whenAllGone)
                (*whenAllGone)();
        });
    }
}

void RegionSelectionOverlay::resetDrag() {
    anchor_.reset();
    current_.reset();
    grip_.reset();
    hasDragged_ = false;
}

std::optional<QRectF> RegionSelectionOverlay::windowAt(const QPointF& point) const {
    for (const QRectF& frame : windowFrames_)
        if (frame.contains(point))
            return frame;
    return std::nullopt;
}

std::optional<RegionHandles::Grip> RegionSelectionOverlay::gripAt(const QPointF& point) const {
    if (!adjusted_)
        return std::nullopt;
    return RegionHandles::gripAt(*adjusted_, point);
}

std::optional<QRectF> RegionSelectionOverlay::selection() const {
    if (mode_ == Mode::window)
        return windowAt(cursor_);
    if (adjusted_)
        return adjusted_;
    if (!anchor_ || !current_)
        return std::nullopt;
    return QRectF(*anchor_, *current_).normalized();
}

QSize RegionSelectionOverlay::selectionPixelSize() const {
    const std::optional<QRectF> rect = selection();
    if (!rect)
        return {};
    const ScreenFrame* frame = desktop_.frameHoldingMostOf(*rect);
    const qreal scale = frame ? frame->scale : 1;
    return QSize(int(rect->width() * scale), int(rect->height() * scale));
}

void RegionSelectionOverlay::moveCursor(const QPointF& point) {
    cursor_ = point;
    emit selectionChanged();
}

void RegionSelectionOverlay::beginDrag(const QPointF& point) {
    cursor_ = point;
    if (mode_ == Mode::window) {
        emit selectionChanged();
        return;
    }
    // A press on the adjusted region or its handles takes hold of it; one
    // outside starts a new region.
    if (adjusted_) {
        grip_ = RegionHandles::gripAt(*adjusted_, point);
        if (grip_) {
            gripStart_ = point;
            gripRegion_ = *adjusted_;
            return;
        }
        adjusted_.reset();
    }
    anchor_ = current_ = point;
    hasDragged_ = false;
    emit selectionChanged();
}

void RegionSelectionOverlay::updateDrag(const QPointF& point) {
    cursor_ = point;
    if (grip_)
        adjusted_ = RegionHandles::dragged(gripRegion_, *grip_, point - gripStart_);
    else if (anchor_) {
        current_ = point;
        hasDragged_ = true;
    }
    emit selectionChanged();
}

void RegionSelectionOverlay::endDrag() {
    if (mode_ == Mode::window) {
        // A click over no window is no choice yet.
        if (const std::optional<QRectF> window = windowAt(cursor_))
            finish(window);
        return;
    }
    if (grip_) {
        grip_.reset();
        return;
    }
    std::optional<QRectF> rect;
    if (hasDragged_)
        rect = selection();
    resetDrag();
    const bool bigEnough =
        rect && rect->width() >= FrozenDesktop::minimumSelection && rect->height() >= FrozenDesktop::minimumSelection;
    if (bigEnough && adjustable_) {
        adjusted_ = rect;
        emit selectionChanged();
    } else if (bigEnough) {
        finish(rect);
    } else {
        finish(std::nullopt);
    }
}

void RegionSelectionOverlay::confirm() {
    if (mode_ == Mode::window) {
        if (const std::optional<QRectF> window = windowAt(cursor_) ? windowAt(cursor_) : activeWindowFrame_)
            finish(window);
        return;
    }
    if (!adjusted_)
        return;
    const QRectF region = *adjusted_;
    if (region.width() >= FrozenDesktop::minimumSelection && region.height() >= FrozenDesktop::minimumSelection)
        finish(region);
}

void RegionSelectionOverlay::requestFullScreen() {
    const QPointF point = QCursor::pos();
    FullScreenRequest request = std::exchange(fullScreenRequest_, nullptr);
    completion_ = nullptr;
    dismiss([request = std::move(request), point] {
        if (request)
            request(point);
    });
}
