#pragma once

#include "platform/ScreenFrame.h"

#include <QPointF>
#include <QRectF>

#include <vector>

// Every screen's picture from one moment. The overlay shows it and the
// capture is cut from it, so nothing drawn later (the overlay itself, the
// note box) can reach a screenshot. Coordinates are the desktop's logical ones.
class FrozenDesktop {
public:
    // Selections narrower or lower than this (logical pixels) are a click, not a region.
    static constexpr qreal minimumSelection = 4;

    struct Shot {
        QImage image;
        const ScreenFrame* frame = nullptr;
    };

    FrozenDesktop() = default;
    explicit FrozenDesktop(std::vector<ScreenFrame> frames) : frames_(std::move(frames)) {}

    const std::vector<ScreenFrame>& frames() const { return frames_; }
    bool isEmpty() const { return frames_.empty(); }

    // The screen with the largest share of the rectangle (the earlier one on
    // a tie); else the one holding its origin; else the first.
    const ScreenFrame* frameHoldingMostOf(const QRectF& rect) const;
    // The screen under a point, else the first.
    const ScreenFrame* frameAt(const QPointF& point) const;

    // The selection in device pixels of the screen holding most of it.
    // Throws CaptureError::emptySelection or noDisplay.
    Shot crop(const QRectF& selection) const;
    // The whole screen under a point. Throws CaptureError::noDisplay.
    Shot screenAt(const QPointF& point) const;

    // A rectangle in the X server's device pixels (a window's frame) as
    // logical desktop coordinates, by the scale of the screen holding its centre.
    QRectF logicalRect(const QRect& device) const;

    // A logical rectangle as device pixels of a frame's image (top-left origin).
    static QRect pixelRect(const QRectF& selection, const ScreenFrame& frame);

private:
    std::vector<ScreenFrame> frames_;
};
