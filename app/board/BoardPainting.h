#pragma once

#include "store/LibraryEnums.h"

#include <QColor>
#include <QPixmap>
#include <QString>

class QPainter;
struct Person;

// Small pieces the board's cards, rows and detail share.
namespace BoardPainting {

// A tinted symbol at a logical size for the painter's device, cached.
QPixmap symbol(const QString& name, const QColor& tint, int size, qreal dpr);
// An application's icon by its desktop-file id, cached per id; a window symbol when unknown.
QPixmap appIcon(const std::optional<QString>& desktopID, int size, qreal dpr);
// The status's symbol name.
QString statusSymbol(CaptureStatus status);
// A circle with the person's initials, sparkles for a bot, a person symbol for nobody.
void paintAvatar(QPainter* p, const QRect& r, const std::optional<Person>& person);

} // namespace BoardPainting
