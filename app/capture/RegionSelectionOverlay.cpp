#include "capture/RegionSelectionOverlay.h"

#include "capture/SelectionWindow.h"

#include <QCursor>

RegionSelectionOverlay::RegionSelectionOverlay(QObject* parent) : QObject(parent) {}

RegionSelectionOverlay::~RegionSelectionOverlay() {
    dismiss();
}

void RegionSelectionOverlay::present(const FrozenDesktop& desktop, Completion onComplete,
                                     FullScreenRequest onFullScreen) {
    dismiss();
    completion_ = std::move(onComplete);
    fullScreenRequest_ = std::move(onFullScreen);
    resetDrag();
    cursor_ = QCursor::pos();
    if (desktop.isEmpty()) {
        finish(std::nullopt);
        return;
    }
    desktop_ = desktop;
    for (const ScreenFrame& frame : desktop_.frames())
        windows_.push_back(new SelectionWindow(*this, frame));
    const ScreenFrame* underCursor = desktop_.frameAt(cursor_);
    for (SelectionWindow* window : windows_)
        window->showOverDesktop(underCursor && window->frame().geometry == underCursor->geometry);
}

void RegionSelectionOverlay::finish(const std::optional<QRectF>& selection) {
    Completion completion = std::exchange(completion_, nullptr);
    fullScreenRequest_ = nullptr;
    dismiss();
    if (completion)
        completion(selection);
}

void RegionSelectionOverlay::abandon() {
    completion_ = nullptr;
    fullScreenRequest_ = nullptr;
    dismiss();
}

void RegionSelectionOverlay::dismiss() {
    resetDrag();
    for (SelectionWindow* window : std::exchange(windows_, {})) {
        window->hide();
        window->deleteLater();
    }
    // The frozen frames are the biggest thing the app holds: let them go with the windows.
    desktop_ = FrozenDesktop();
}

void RegionSelectionOverlay::resetDrag() {
    anchor_.reset();
    current_.reset();
    hasDragged_ = false;
}

std::optional<QRectF> RegionSelectionOverlay::selection() const {
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
    anchor_ = current_ = cursor_ = point;
    hasDragged_ = false;
    emit selectionChanged();
}

void RegionSelectionOverlay::updateDrag(const QPointF& point) {
    if (!anchor_)
        return;
    current_ = cursor_ = point;
    hasDragged_ = true;
    emit selectionChanged();
}

void RegionSelectionOverlay::endDrag() {
    std::optional<QRectF> rect;
    if (hasDragged_)
        rect = selection();
    resetDrag();
    if (rect && rect->width() >= FrozenDesktop::minimumSelection && rect->height() >= FrozenDesktop::minimumSelection)
        finish(rect);
    else
        finish(std::nullopt);
}

void RegionSelectionOverlay::requestFullScreen() {
    const QPointF point = QCursor::pos();
    FullScreenRequest request = std::exchange(fullScreenRequest_, nullptr);
    completion_ = nullptr;
    dismiss();
    if (request)
        request(point);
}
