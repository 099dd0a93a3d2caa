#pragma once

#include <QSize>
#include <QString>

class QWidget;

// Windows remember their size and place across launches, under their own key.
namespace WindowGeometry {

// Restores the saved geometry, or sizes the window and centres it on first use.
void restore(QWidget* window, const QString& key, QSize defaultSize);
void save(const QWidget* window, const QString& key);

} // namespace WindowGeometry
