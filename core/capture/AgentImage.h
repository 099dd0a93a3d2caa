#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// What a coding agent is sent for a screenshot: no longer than 1568 pixels on
// its longest edge (what vision models take without scaling), PNG when that
// fits a tool result's budget, JPEG otherwise. For a larger screenshot it is
// kept as a file under the agent-images folder, written beside the thumbnail,
// so an agent's request reads a small file instead of decoding a 4K original.
// The file is derived: never synced, removed with its image, made again when
// missing or older than its source.
namespace AgentImage {

// The longest edge vision models take without scaling the image down themselves.
inline constexpr int maxEdge = 1568;

struct Encoded {
    QByteArray bytes;
    QString mimeType;
    QSize size;     // as sent
    QSize original; // as stored
};

// Encodes decoded pixels as they are sent. Nothing for a null image.
std::optional<Encoded> encode(const QImage& image);

// Writes the rendition of the stored image at `sourceRelative` (relative to
// the captures folder) from its decoded pixels; nothing when the image is
// small enough to go as stored. Throws CaptureError::writeFailed.
void write(const QImage& image, const QString& sourceRelative);

// What to send for the stored image at `sourceRelative`: the stored file when
// small, else its rendition, made (and kept) now when missing or stale.
// Nothing when the path leaves the library or the file is missing or unreadable.
std::optional<Encoded> load(const QString& sourceRelative);

} // namespace AgentImage
