#include "capture/PendingMarkup.h"

#include "common/ZorviError.h"
#include "capture/AttachmentService.h"
#include "store/CaptureImage.h"
#include "store/ZorviPaths.h"

#include <QFile>
#include <QTimer>

void PendingMarkup::setEditor(Editor open, std::function<bool()> isOpen) {
    editor_ = std::move(open);
    isOpen_ = std::move(isOpen);
}

bool PendingMarkup::open(Pending pending, const QString& imageID, std::function<void()> back) {
    PendingCapture* capture = pending();
    if (!capture || !editor_)
        return false;
    const auto image = std::find_if(capture->images.cbegin(), capture->images.cend(),
                                    [&](const PendingImage& i) { return i.id == imageID; });
    if (image == capture->images.cend())
        return false;
    editor_(
        image->image, image->annotation,
        [this, pending, imageID, back](const Annotation& annotation) -> std::optional<QString> {
            PendingCapture* capture = pending();
            if (!capture)
                return std::nullopt;
            if (std::optional<QString> problem = keep(*capture, imageID, annotation))
                return problem;
            // Once the editor has gone: the note box takes the keyboard back.
            QTimer::singleShot(0, this, back);
            return std::nullopt;
        },
        back);
    return true;
}

std::optional<QString> PendingMarkup::keep(PendingCapture& pending, const QString& imageID,
                                           const Annotation& annotation) {
    for (PendingImage& image : pending.images) {
        if (image.id != imageID)
            continue;
        CaptureImage record;
        record.id = image.id;
        record.captureID = pending.id;
        record.imagePath = image.written.relativePath;
        record.thumbPath = image.written.thumbRelativePath;
        record.width = image.written.width;
        record.height = image.written.height;
        try {
            const AttachmentService::RenderedAnnotation rendered =
                AttachmentService().renderAnnotation(annotation, record);
            image.annotation = annotation;
            image.annotatedPath = rendered.annotatedPath;
            // The marked thumbnail usually takes the old one's name (same id,
            // same month): only a thumbnail under another name is left over.
            if (rendered.thumbPath) {
                if (const auto old = std::exchange(image.written.thumbRelativePath, rendered.thumbPath);
                    old && *old != *rendered.thumbPath)
                    QFile::remove(ZorviPaths::thumbFile(*old));
            }
        } catch (const ZorviError& error) {
            // The marks stay in the editor, which says why.
            return error.description();
        }
    }
    return std::nullopt;
}
