#include "WindowGeometry.h"

#include "settings/Preferences.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace WindowGeometry {

namespace {

// Room for the window manager's frame (borders, title bar), not known before the first map.
constexpr int frameBorder = 8;
constexpr int titleBar = 40;
constexpr QSize frameAllowance(2 * frameBorder, titleBar + frameBorder);

// The saved place may be on a monitor that is gone or smaller now: the whole
// window comes back inside the screen it is mostly on.
void keepOnScreen(QWidget* window) {
    const QRect wanted = window->geometry();
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    const QRect available = (screen ? screen : QGuiApplication::primaryScreen())->availableGeometry();
    const QRect room = available.adjusted(frameBorder, titleBar, -frameBorder, -frameBorder);
    QRect fitted(wanted.topLeft(), wanted.size().boundedTo(room.size()));
    fitted.moveLeft(std::clamp(fitted.left(), room.left(), room.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), room.top(), room.bottom() - fitted.height() + 1));
    if (fitted != wanted)
        window->setGeometry(fitted);
}

} // namespace

void restore(QWidget* window, const QString& key, QSize defaultSize) {
    const QByteArray saved = Preferences::shared().store().value("window/" + key).toByteArray();
    if (!saved.isEmpty() && window->restoreGeometry(saved)) {
        keepOnScreen(window);
        return;
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                            defaultSize.boundedTo(available.size() - frameAllowance), available));
}

void save(const QWidget* window, const QString& key) {
    Preferences::shared().store().setValue("window/" + key, window->saveGeometry());
}

} // namespace WindowGeometry
