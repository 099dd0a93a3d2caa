#pragma once

#include <QImage>
#include <QRect>
#include <QString>

// One screen as it looked at the moment of a capture.
struct ScreenFrame {
    // The screen's name as Qt reports it (the RandR output or monitor name).
    QString name;
    // The screen's area on the desktop, in logical pixels.
    QRect geometry;
    // Device pixels per logical pixel.
    qreal scale = 1;
    // At the screen's full device resolution.
    QImage image;
};
