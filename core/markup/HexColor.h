#pragma once

#include <QColor>
#include <QString>

namespace HexColor {

// The fallback for any colour text that cannot be read: the palette's red.
inline constexpr unsigned int fallbackRGB = 0xFF3B30;

// Reads "#RRGGBB" (surrounding spaces and tabs, a missing "#" and a leading
// "+" tolerated) as an opaque sRGB colour. Anything unreadable, or too large
// for 32 bits, gives red; bits above the low 24 are ignored.
QColor parse(const QString& text);

} // namespace HexColor
