#pragma once

#include "support/QtEventLoop.h"

#include <QPoint>
#include <QProcess>
#include <QStringList>

// Real input and window lookups on the test's X server through xdotool. The
// event loop keeps running while xdotool works, so windows of this process
// answer as they would to a user.
namespace DesktopDriver {

// Runs a program to its end; its standard output, trimmed. Empty on failure or timeout.
inline QString run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return {};
    processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString xdotool(const QStringList& arguments, int timeoutMs = 10000) {
    return run(QStringLiteral("xdotool"), arguments, timeoutMs);
}

// The ids of the visible windows with exactly this title.
inline QStringList visibleWindows(const QString& title) {
    return xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}).split(u'\n', Qt::SkipEmptyParts);
}

// Waits until at least `count` visible windows have the title; true when they do.
inline bool waitForWindows(const QString& title, int count = 1, int timeoutMs = 10000) {
    return processEventsUntil([&] { return visibleWindows(title).size() >= count; }, timeoutMs);
}

inline bool waitUntilGone(const QString& title, int timeoutMs = 10000) {
    return processEventsUntil([&] { return visibleWindows(title).isEmpty(); }, timeoutMs);
}

// Presses at `from`, moves through the middle to `to`, releases.
inline void drag(QPoint from, QPoint to) {
    const QPoint middle = (from + to) / 2;
    xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1", "mousemove",
             QString::number(middle.x()), QString::number(middle.y()), "mousemove", QString::number(to.x()),
             QString::number(to.y()), "mouseup", "1"});
}

inline void type(const QString& text) {
    xdotool({"type", "--delay", "5", text});
}

inline void key(const QString& keys) {
    xdotool({"key", keys});
}

inline void click(QPoint at) {
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

} // namespace DesktopDriver
