#pragma once

#include "store/CaptureContext.h"

#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class ActiveWindowSource;
struct ActiveWindow;
class BrowserAddressReader;
class Preferences;

// Snapshots where a capture is taken: the active window's application, its
// desktop-file id, its title, the display under the pointer and, when the
// user allows it and the browser tells, the page address. Must run when the
// flow starts, before any Zorvi window takes the focus.
class ContextCollector {
public:
    // The running session's sources and the shared preferences.
    ContextCollector();
    ContextCollector(Preferences& preferences, std::unique_ptr<ActiveWindowSource> windows,
                     std::unique_ptr<BrowserAddressReader> browsers);
    ~ContextCollector();

    ContextCollector(const ContextCollector&) = delete;
    ContextCollector& operator=(const ContextCollector&) = delete;

    // Reads the URL preference now. A field that can't be read is absent.
    CaptureContext snapshot() const;
    CaptureContext snapshot(bool collectURL) const;
    // The same for a window the person picked rather than the active one.
    CaptureContext snapshotOf(const ActiveWindow& window) const;

    // The desktop-file ids of browsers whose address can be asked for.
    static const QSet<QString>& browserIDs();
    // The name of the screen under the pointer; absent without a display.
    static std::optional<QString> displayUnderCursor();
    // The text itself, or absent when only white space.
    static std::optional<QString> nilIfBlank(const std::optional<QString>& text);

private:
    CaptureContext describe(const ActiveWindow& window, bool collectURL) const;

    Preferences& preferences_;
    std::unique_ptr<ActiveWindowSource> windows_;
    std::unique_ptr<BrowserAddressReader> browsers_;
};
