#pragma once

#include "platform/ScreenFrame.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>

class QPainter;

class RegionSelectionOverlay;

// One screen's part of the region overlay: its frozen picture, dimmed, with
// the selection (or the window under the pointer) cut out of the dimming, a
// frame, handles and the size read-out; before a drag, crosshair guides; and
// a hint on the screen under the pointer while there is something to say.
// Input goes to the overlay in desktop coordinates.
class SelectionWindow : public QWidget {
    Q_OBJECT
public:
    SelectionWindow(RegionSelectionOverlay& overlay, const ScreenFrame& frame);

    const ScreenFrame& frame() const { return frame_; }
    // Another capture's picture of its screen, for a window kept between captures.
    void setFrame(const ScreenFrame& frame);
    // Hidden until the next capture, without its picture; `hidden` runs once
    // it is (on Wayland, a frame later).
    void putAway(std::function<void()> hidden);
    // Maps the window over its screen; the one under the pointer takes the focus.
    void showOverDesktop(bool takeFocus);

    // What the pill at the bottom says now.
    QString hintText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectionChanged();
    // Everything drawn over the dimmed picture, in this window's coordinates.
    QRegion decorations() const;
    bool cursorIsHere() const;
    bool showsHint() const;
    void paintHint(QPainter& p);
    QRectF selectionHere() const;
    QRect badgeRect(const QRectF& hole) const;
    QRect hintRect() const;

    RegionSelectionOverlay& overlay_;
    // At the screen's device pixels, shown 1:1.
    ScreenFrame frame_;
    QRegion painted_;
};
