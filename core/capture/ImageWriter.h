#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

#include <optional>

// Turns pixels into library files: lossless PNG originals under "captures",
// small JPEG thumbnails under "thumbs" and, for large screenshots, the
// rendition agents are sent (AgentImage), each written atomically. No state
// and no UI-thread assumptions, so callers may run it on a worker thread.
class ImageWriter {
public:
    struct Written {
        // Relative to the captures folder.
        QString relativePath;
        // Relative to the thumbs folder; absent when the thumbnail failed.
        std::optional<QString> thumbRelativePath;
        qint64 byteCount = 0;
        int width = 0;
        int height = 0;

        friend bool operator==(const Written&, const Written&) = default;
    };

    enum class Type { png, jpeg };

    // Sharp on any card or strip the board draws, so the board never decodes a full screenshot.
    static constexpr int thumbnailMaxEdge = 900;
    // Screen text stays legible at thumbnail size for a fraction of a PNG's bytes.
    static constexpr double thumbnailQuality = 0.82;

    // Writes the original, its thumbnail and agent rendition, named by `id` in
    // the folder for `date`. A thumbnail failure only leaves thumbRelativePath
    // absent; a rendition failure leaves it to be made on request.
    // Throws CaptureError::writeFailed.
    static Written write(const QImage& image, const QString& id, const QDateTime& date);

    // PNG is always lossless, whatever the quality; JPEG takes quality 0...1.
    static std::optional<QByteArray> encode(const QImage& image, Type type, double quality);

    // Scales so the longer side is `maxEdge`, smoothly, into opaque RGB
    // (transparent parts over black). An image already small enough is
    // returned as it is. Nothing for a null image or a non-positive edge.
    static std::optional<QImage> downscale(const QImage& image, int maxEdge);

    // Thumbnail JPEG bytes: longest edge 900 pixels, quality 0.82.
    static std::optional<QByteArray> thumbnailData(const QImage& image);

    // Writes through a temporary file that is renamed into place, so readers
    // never see half a file. Throws CaptureError::writeFailed.
    static void writeAtomically(const QString& path, const QByteArray& data);

    // Creates the folder a file goes into. Throws CaptureError::writeFailed.
    static void ensureParentFolder(const QString& path);
};
