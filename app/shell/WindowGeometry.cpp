#include "WindowGeometry.h"

#include "Preferences.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWidget>

namespace WindowGeometry {

void restore(QWidget* window, const QString& key, QSize defaultSize) {
    const QByteArray saved = Preferences::shared().store().value("window/" + key).toByteArray();
    if (!saved.isEmpty() && window->restoreGeometry(saved))
        return;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, defaultSize.boundedTo(available.size()),
                                            available));
}

void save(const QWidget* window, const QString& key) {
    Preferences::shared().store().setValue("window/" + key, window->saveGeometry());
}

} // namespace WindowGeometry
