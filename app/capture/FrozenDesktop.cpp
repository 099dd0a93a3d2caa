#include "capture/FrozenDesktop.h"

#include "capture/CaptureError.h"

#include <cmath>

const ScreenFrame* FrozenDesktop::frameHoldingMostOf(const QRectF& rect) const {
    const ScreenFrame* best = nullptr;
    qreal bestArea = -1;
    for (const ScreenFrame& frame : frames_) {
        const QRectF overlap = QRectF(frame.geometry).intersected(rect);
        if (overlap.isEmpty())
            continue;
        const qreal area = overlap.width() * overlap.height();
        if (area > bestArea) {
            best = &frame;
            bestArea = area;
        }
    }
    if (best)
        return best;
    for (const ScreenFrame& frame : frames_)
        if (QRectF(frame.geometry).contains(rect.topLeft()))
            return &frame;
    return frames_.empty() ? nullptr : &frames_.front();
}

const ScreenFrame* FrozenDesktop::frameAt(const QPointF& point) const {
    for (const ScreenFrame& frame : frames_)
        if (QRectF(frame.geometry).contains(point))
            return &frame;
    return frames_.empty() ? nullptr : &frames_.front();
}

QRect FrozenDesktop::pixelRect(const QRectF& selection, const ScreenFrame& frame) {
    const qreal s = frame.scale;
    return QRect(int(std::floor(s * (selection.x() - frame.geometry.x()))),
                 int(std::floor(s * (selection.y() - frame.geometry.y()))), int(std::lround(s * selection.width())),
                 int(std::lround(s * selection.height())));
}

FrozenDesktop::Shot FrozenDesktop::crop(const QRectF& selection) const {
    if (selection.width() < minimumSelection || selection.height() < minimumSelection)
        throw CaptureError::emptySelection();
    const ScreenFrame* frame = frameHoldingMostOf(selection);
    if (!frame)
        throw CaptureError::noDisplay();
    const QRect pixels = pixelRect(selection, *frame).intersected(frame->image.rect());
    if (pixels.width() < 1 || pixels.height() < 1)
        throw CaptureError::emptySelection();
    return {frame->image.copy(pixels), frame};
}

FrozenDesktop::Shot FrozenDesktop::screenAt(const QPointF& point) const {
    const ScreenFrame* frame = frameAt(point);
    if (!frame)
        throw CaptureError::noDisplay();
    return {frame->image, frame};
}

QRectF FrozenDesktop::logicalRect(const QRect& device) const {
    // A screen keeps its device top-left as its logical one; only its size is scaled.
    const ScreenFrame* holder = nullptr;
    for (const ScreenFrame& frame : frames_)
        if (QRectF(frame.geometry.topLeft(), QSizeF(frame.geometry.size()) * frame.scale).contains(device.center()))
            holder = &frame;
    if (!holder && !frames_.empty())
        holder = &frames_.front();
    if (!holder)
        return device;
    const QPointF origin = holder->geometry.topLeft();
    return QRectF(origin + (QPointF(device.topLeft()) - origin) / holder->scale, QSizeF(device.size()) / holder->scale);
}
