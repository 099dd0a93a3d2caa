#include "BlobTransfer.h"

#include "ContentHash.h"
#include "SyncClient.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Newest first; a long backlog downloads over several runs instead of holding up the next sync.
constexpr int downloadsPerRun = 30;

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ZorviError("Couldn't read " + QFileInfo(path).fileName() + ": " + file.errorString());
    return file.readAll();
}

QString tail8(const QString& id) {
    return id.right(8);
}

} // namespace

QString BlobTransfer::contentType(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"jpg" || ext == u"jpeg")
        return QStringLiteral("image/jpeg");
    if (ext == u"webp")
        return QStringLiteral("image/webp");
    return QStringLiteral("image/png");
}

BlobTransfer::Kind BlobTransfer::imageKind(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG"))
        return {"png", "image/png"};
    if (bytes.startsWith("\xFF\xD8"))
        return {"jpg", "image/jpeg"};
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return {"webp", "image/webp"};
    return {"png", "image/png"};
}

CaptureImage BlobTransfer::ensureBlobs(const CaptureImage& image) {
    const std::optional<Capture> capture = store_.captureIncludingDeleted(image.captureID);
    if (!capture || !capture->workspaceID)
        return image;
    // Hashes the file; uploads it when the content is not the recorded one.
    auto ensure = [&](const std::optional<QString>& relative, const std::optional<QString>& recorded,
                      bool thumbnail) -> std::optional<QString> {
        if (!relative || relative->isEmpty())
            return recorded;
        const QString path = thumbnail ? ZorviPaths::thumbFile(*relative) : ZorviPaths::imageFile(*relative);
        const QByteArray bytes = readWhole(path);
        const QString sha = ContentHash::sha256(bytes);
        if (sha != recorded)
            client_.ensureUploaded(*capture->workspaceID, bytes, sha, contentType(*relative));
        return sha;
    };
    const std::optional<QString> original = ensure(image.imagePath, image.originalSHA256, false);
    const std::optional<QString> marked = ensure(image.annotatedPath, image.markedSHA256, false);
    const std::optional<QString> thumb = ensure(image.thumbPath, image.thumbSHA256, true);
    ledger_.recordImageHashes(image, original, marked, thumb);
    CaptureImage hashed = image;
    hashed.originalSHA256 = original;
    hashed.markedSHA256 = marked;
    hashed.thumbSHA256 = thumb;
    return hashed;
}

QString BlobTransfer::fetch(const QString& workspaceID, const QString& sha, const QString& name,
                            const QDateTime& createdAt, bool thumbnail) {
    const QByteArray bytes = client_.downloadBlob(workspaceID, sha);
    const QString relative = ZorviPaths::relativeImagePath(name, createdAt, imageKind(bytes).extension);
    const QString path = thumbnail ? ZorviPaths::thumbFile(relative) : ZorviPaths::imageFile(relative);
    ImageWriter::ensureParentFolder(path);
    ImageWriter::writeAtomically(path, bytes);
    return relative;
}

int BlobTransfer::downloadPendingImages() {
    const std::vector<SyncLedger::ImageToDownload> waiting = ledger_.imagesAwaitingDownload(downloadsPerRun);
    std::optional<CaptureError> diskFailure;
    for (const auto& [image, workspaceID] : waiting) {
        try {
            QString imagePath = image.imagePath;
            std::optional<QString> annotated = image.annotatedPath;
            std::optional<QString> thumb = image.thumbPath;
            if (imagePath.isEmpty())
                imagePath = fetch(workspaceID, *image.originalSHA256, image.id, image.createdAt, false);
            // A marked hash equal to the original's means the marked copy is the original.
            if (!annotated && image.markedSHA256 && image.markedSHA256 != image.originalSHA256)
                annotated = fetch(workspaceID, *image.markedSHA256, image.id + "-marked", image.createdAt, false);
            if (!thumb && image.thumbSHA256)
                thumb = fetch(workspaceID, *image.thumbSHA256, image.id, image.createdAt, true);
            ledger_.recordImagePaths(image, imagePath, annotated, thumb);
            if (const std::optional<CaptureImage> stored = store_.imageIncludingDeleted(image.id))
                store_.refreshCover(stored->captureID);
        } catch (const CaptureError& e) {
            // Our disk, not the service (full, say): the rest would fail the
            // same way. Nothing was recorded, so a later run fetches again.
            diskFailure = e;
            break;
        } catch (const std::exception& e) {
            ledger_.log("warn", "Download for image " + tail8(image.id) + " failed: " + describe(e));
        }
    }
    if (!waiting.empty())
        store_.postDidChange();
    if (diskFailure)
        throw *diskFailure;
    return int(waiting.size());
}
