#pragma once

#include <QByteArray>

// Puts a screenshot on the desktop's clipboard as PNG data, replacing
// whatever was there.
namespace ImageClipboard {

void setPng(const QByteArray& png);

} // namespace ImageClipboard
