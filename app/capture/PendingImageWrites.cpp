#include "capture/PendingImageWrites.h"

#include "capture/CaptureError.h"


PendingImageWrites::~PendingImageWrites() {
    // Files must not appear after their owner is gone: let every write end.
    for (const auto& write : writes_)
        write.wait();
}

void PendingImageWrites::start(const QString& id, const QImage& image, const QDateTime& date, Finished finished) {
    // `this` outlives the worker (the destructor waits), and a queued call to
    // a deleted object is dropped.
    writes_.insert(id, std::async(std::launch::async, [this, id, image, date, finished] {
                           ImageWriter::Written written = ImageWriter::write(image, id, date);
                           if (finished)
                               QMetaObject::invokeMethod(this, [finished, written] { finished(written); },
                                                         Qt::QueuedConnection);
                           return written;
                       }).share());
}

ImageWriter::Written PendingImageWrites::take(const QString& id) {
    const auto write = writes_.take(id);
    if (!write.valid())
        throw CaptureError::writeFailed(QStringLiteral("the screenshot was never written"));
    return write.get();
}
