#include "capture/OwnWindowsHider.h"

#include "capture/CaptureLog.h"

#include "platform/ActiveWindowSource.h"
#include "platform/Platform.h"
#include "platform/UncoverWatcher.h"

#include <QApplication>
#include <QWindow>

OwnWindowsHider::OwnWindowsHider()
    : OwnWindowsHider(Platform::current().activeWindowSource(), Platform::current().uncoverWatcher()) {}

OwnWindowsHider::OwnWindowsHider(std::unique_ptr<ActiveWindowSource> active, std::unique_ptr<UncoverWatcher> watcher)
    : active_(std::move(active)), watcher_(std::move(watcher)) {}

OwnWindowsHider::~OwnWindowsHider() = default;

bool OwnWindowsHider::oursInFront() const {
    if (active_) {
        const std::optional<ActiveWindow> window = active_->activeWindow();
        return window && window->pid == QCoreApplication::applicationPid();
    }
    return QGuiApplication::focusWindow() != nullptr;
}

void OwnWindowsHider::stepAside() {
    if (oursInFront())
        return;
    QList<QWindow*> leaving;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && !(window->windowFlags() & Qt::FramelessWindowHint) &&
            (type == Qt::Window || type == Qt::Dialog)) {
            hidden_.append({window, window->geometry().topLeft()});
            leaving.append(window->windowHandle());
        }
    }
    if (leaving.isEmpty())
        return;
    qCDebug(captureLog) << "waiting for" << leaving.size() << "of our windows to leave the screen";
    leaving_ = true;
    watcher_->hide(
        leaving,
        [this] {
            for (const HiddenWindow& hidden : std::as_const(hidden_))
                if (hidden.window)
                    hidden.window->hide();
        },
        [this] {
            qCDebug(captureLog) << "our windows are off the screen";
            leaving_ = false;
            if (std::function<void()> then = std::exchange(whenGone_, nullptr))
                then();
        });
}

void OwnWindowsHider::whenGone(std::function<void()> then) {
    if (leaving_)
        whenGone_ = std::move(then);
    else
        then();
}

void OwnWindowsHider::bringBack() {
    const QList<HiddenWindow> hidden = std::exchange(hidden_, {});
    forget();
    // Shown without taking focus: the window manager hands it back to the
    // application that had it before the capture.
    for (const auto& [window, at] : hidden)
        if (window) {
            // The inside's position, which needs none of the frame margins a
            // hidden, unframed window no longer has. Told to the widget, which
            // the window manager may have moved while the window was hidden
            // and which would otherwise restore its own idea on showing; and
            // to the native window too, because the widget skips a position
            // it believes unchanged, and a window the window manager once
            // placed would then be placed anew.
            window->setGeometry(QRect(at, window->size()));
            window->windowHandle()->setPosition(at);
            window->setAttribute(Qt::WA_ShowWithoutActivating);
            window->show();
            window->setAttribute(Qt::WA_ShowWithoutActivating, false);
        }
}

void OwnWindowsHider::forget() {
    watcher_->cancel();
    leaving_ = false;
    whenGone_ = nullptr;
    hidden_.clear();
}
