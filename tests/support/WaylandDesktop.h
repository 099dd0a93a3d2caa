#pragma once

#include "support/QtEventLoop.h"

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// A real Wayland desktop a test program runs in (support/with-sway.sh,
// support/with-gnome.sh), driven the way a person would: keys and drags,
// windows as the compositor itself lists them, the screen as its own
// screenshot shows it.
class WaylandDesktop {
public:
    struct Window {
        QString title;
        QRect rect;
        bool focused = false;
        // Done appearing: a compositor that animates a new window in sends
        // input elsewhere until then.
        bool settled = true;
    };

    virtual ~WaylandDesktop() = default;

    // Whether the keyboard and pointer are ready to send.
    virtual bool inputReady() const = 0;

    virtual std::optional<Window> window(const QString& title) const = 0;
    // Every window's title, for failure messages.
    virtual QString windowTitles() const = 0;

    // What the outputs show now, at their full pixel resolution.
    virtual QImage screenshot() const = 0;

    // Presses the left button at `from`, moves to `to`, releases (logical pixels).
    virtual bool drag(QPoint from, QPoint to) = 0;
    // Plain ASCII, as a US keyboard types it.
    virtual bool type(const QString& text) = 0;
    // One key by its keysym name ("space", "Escape", "2"), with modifiers
    // held ("ctrl", "alt", "shift", "super").
    virtual bool key(const QString& keysym, const QStringList& held = {}) = 0;
    bool ctrlKey(const QString& keysym) { return key(keysym, {QStringLiteral("ctrl")}); }

    bool waitForWindow(const QString& title, int timeoutMs = 30000) const {
        return processEventsUntil([&] { return window(title).has_value(); }, timeoutMs);
    }

    // Waits until the window has the keyboard and takes input where it is drawn.
    bool waitForFocus(const QString& title, int timeoutMs = 15000) const {
        return processEventsUntil([&] {
            const std::optional<Window> found = window(title);
            return found && found->focused && found->settled;
        }, timeoutMs);
    }

    bool waitUntilGone(const QString& title, int timeoutMs = 15000) const {
        return processEventsUntil([&] { return !window(title).has_value(); }, timeoutMs);
    }

    // Where a centred background picture's top-left pixel lands on a screen of this many pixels.
    static QPoint backgroundOrigin(QSize screenPixels, QSize picture) {
        return {(screenPixels.width() - picture.width()) / 2, (screenPixels.height() - picture.height()) / 2};
    }

    // Waits until the screen shows `picture` centred, pixel for pixel.
    bool waitForBackground(const QImage& picture, int timeoutMs = 10000) const {
        return processEventsUntil([&] {
            const QImage shown = screenshot();
            return !shown.isNull() &&
                   shown.copy(QRect(backgroundOrigin(shown.size(), picture.size()), picture.size())) == picture;
        }, timeoutMs);
    }

    // Runs a program to its end; its standard output. Empty on failure.
    static QByteArray run(const QString& program, const QStringList& arguments) {
        QByteArray output;
        return runs(program, arguments, &output) ? output : QByteArray();
    }

    // Whether a program ran to a successful end.
    static bool runs(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return true;
    }
};
