#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

// A screenshot prepared for an image content block: no longer than 1568
// pixels on its longest edge, the size vision models take without scaling.
namespace ScreenshotImage {

inline constexpr int maxEdge = 1568;

struct Encoded {
    QByteArray bytes;
    QString mimeType;
    QSize size;     // as sent
    QSize original; // as stored
};

// Nothing when the file is missing or does not decode.
std::optional<Encoded> load(const QString& path);

} // namespace ScreenshotImage
