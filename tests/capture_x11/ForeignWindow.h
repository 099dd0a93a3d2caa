#pragma once

#include "support/DesktopDriver.h"

#include <QColor>
#include <QProcess>
#include <QRect>

// Another application's window on the test's display, placed and framed by
// the window manager; it repaints `repaintDelayMs` after being uncovered.
class ForeignWindow {
public:
    ForeignWindow(const QString& title, QColor colour, QRect at, int repaintDelayMs = 0) : title_(title), at_(at) {
        process_.start(ZORVI_FOREIGN_WINDOW, {title, colour.name().mid(1), QString::number(at.x()),
                                              QString::number(at.y()), QString::number(at.width()),
                                              QString::number(at.height()), QString::number(repaintDelayMs)});
    }
    ~ForeignWindow() {
        process_.kill();
        process_.waitForFinished();
    }

    // Shown, and where it was asked to be whatever the window manager's placement.
    bool waitUntilShown() {
        if (!DesktopDriver::waitForWindows(title_))
            return false;
        DesktopDriver::xdotool({"windowmove", "--sync", id(), QString::number(at_.x()), QString::number(at_.y())});
        return true;
    }
    // Through the window manager, as a click on it would.
    void activate() {
        for (const QString& id : DesktopDriver::visibleWindows(title_))
            DesktopDriver::xdotool({"windowactivate", "--sync", id});
    }
    // The X id of its window.
    QString id() const { return DesktopDriver::visibleWindows(title_).value(0); }

private:
    QString title_;
    QRect at_;
    QProcess process_;
};
