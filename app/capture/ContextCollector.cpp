#include "capture/ContextCollector.h"

#include "platform/ActiveWindowSource.h"
#include "platform/BrowserAddressReader.h"
#include "platform/DesktopApplications.h"
#include "platform/Platform.h"
#include "settings/Preferences.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QThreadPool>

ContextCollector::ContextCollector()
    : ContextCollector(Preferences::shared(), Platform::current().activeWindowSource(), BrowserAddressReader::forSession()) {
    // Reading every .desktop file takes milliseconds; do it before the first
    // capture has to wait for it.
    QThreadPool::globalInstance()->start([] { DesktopApplications::installed(); });
}

ContextCollector::ContextCollector(Preferences& preferences, std::unique_ptr<ActiveWindowSource> windows,
                                   std::unique_ptr<BrowserAddressReader> browsers)
    : preferences_(preferences), windows_(std::move(windows)), browsers_(std::move(browsers)) {}

ContextCollector::~ContextCollector() = default;

CaptureContext ContextCollector::snapshot() const {
    return snapshot(preferences_.captureURLs());
}

CaptureContext ContextCollector::snapshot(bool collectURL) const {
    const std::optional<ActiveWindow> window = windows_ ? windows_->activeWindow() : std::nullopt;
    if (!window)
        return {};
    return describe(*window, collectURL);
}

CaptureContext ContextCollector::snapshotOf(const ActiveWindow& window) const {
    return describe(window, preferences_.captureURLs());
}

CaptureContext ContextCollector::describe(const ActiveWindow& window, bool collectURL) const {
    CaptureContext context;
    const std::optional<DesktopApplication> app =
        DesktopApplications::installed()->forWindowClass(window.instanceName, window.className);
    if (app) {
        context.appName = nilIfBlank(app->name);
        context.appBundleID = app->id;
    } else {
        // No .desktop file claims the window: its class is the best name there is.
        context.appName = nilIfBlank(window.className ? window.className : window.instanceName);
    }
    context.windowTitle = nilIfBlank(window.title);
    // Where the compositor names the window's output, that is its display;
    // elsewhere the pointer tells.
    context.displayName = window.output ? nilIfBlank(window.output) : displayUnderCursor();
    if (collectURL && app && browserIDs().contains(app->id) && browsers_ && window.pid)
        context.url = nilIfBlank(browsers_->activeTabAddress(*window.pid));
    return context;
}

const QSet<QString>& ContextCollector::browserIDs() {
    // Firefox (packaged, Flatpak, Snap) answers over the accessibility bus; Chromium-based browsers
    // offer nothing comparable, so they are not asked.
    static const QSet<QString> ids{"firefox", "firefox-esr", "org.mozilla.firefox", "firefox_firefox"};
    return ids;
}

std::optional<QString> ContextCollector::displayUnderCursor() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    // A monitor's model reads better than its connector ("DELL U2720Q" over "DP-1").
    return nilIfBlank(screen->model().trimmed().isEmpty() ? screen->name() : screen->model());
}

std::optional<QString> ContextCollector::nilIfBlank(const std::optional<QString>& text) {
    if (!text || text->trimmed().isEmpty())
        return std::nullopt;
    return text;
}
