#include "capture/PendingImageWrites.h"

#include "capture/PendingCapture.h"
#include "common/Identifiers.h"
#include "platform/ImageClipboard.h"
#include "platform/ThreadPriority.h"
#include "store/ZorviPaths.h"

#include <QFile>

#include <condition_variable>
#include <mutex>
#include <utility>

class PendingImageWrites::Hold {
public:
    void release() {
        {
            std::lock_guard guard(lock_);
            released_ = true;
        }
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, longestHold, [this] { return released_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool released_ = false;
};

PendingImageWrites::~PendingImageWrites() {
    letHeldWritesRun();
    // Files must not appear after their owner is gone: let every write end.
    for (const auto& write : writes_)
        write.wait();
}

void PendingImageWrites::letHeldWritesRun() {
    if (hold_)
        std::exchange(hold_, nullptr)->release();
}

void PendingImageWrites::start(const QString& id, const QImage& image, const QDateTime& date, Finished finished,
                               std::shared_ptr<Hold> hold) {
    // `this` outlives the worker (the destructor waits), and a queued call to
    // a deleted object is dropped.
    writes_.insert(id, std::async(std::launch::async, [this, id, image, date, finished, hold] {
                           ThreadPriority::yieldToInteractiveThreads();
                           if (hold)
                               hold->wait();
                           ImageWriter::Written written = ImageWriter::write(image, id, date);
                           if (finished)
                               QMetaObject::invokeMethod(this, [finished, written] { finished(written); },
                                                         Qt::QueuedConnection);
                           return written;
                       }).share());
}

ImageWriter::Written PendingImageWrites::take(const QString& id) {
    letHeldWritesRun();
    const auto write = writes_.take(id);
    if (!write.valid())
        throw CaptureError::writeFailed(QStringLiteral("the screenshot was never written"));
    return write.get();
}

std::optional<CaptureError> PendingImageWrites::collect(QList<PendingImage>& images, const QDateTime& date) {
    std::optional<CaptureError> first;
    for (PendingImage& image : images) {
        if (failed_.contains(image.id) && !isWriting(image.id))
            start(image.id, image.image, date);
        if (!isWriting(image.id))
            continue;
        try {
            image.written = take(image.id);
            failed_.remove(image.id);
        } catch (const CaptureError& error) {
            failed_.insert(image.id);
            if (!first)
                first = error;
        }
    }
    return first;
}

void PendingImageWrites::settle(QList<PendingImage>& images) {
    // A write that failed left nothing to remove.
    for (PendingImage& image : images)
        if (isWriting(image.id))
            try {
                image.written = take(image.id);
            } catch (const CaptureError&) {
            }
}

PendingImage PendingImageWrites::startNew(const QImage& image, bool copyToClipboard) {
    PendingImage pending;
    pending.id = Identifiers::make();
    pending.image = image;
    Finished finished;
    if (copyToClipboard)
        // The clipboard gets the very PNG the library keeps, encoded once, off this thread.
        finished = [](const ImageWriter::Written& written) {
            QFile file(ZorviPaths::imageFile(written.relativePath));
            if (file.open(QIODevice::ReadOnly))
                ImageClipboard::setPng(file.readAll());
        };
    if (!hold_)
        hold_ = std::make_shared<Hold>();
    start(pending.id, image, QDateTime::currentDateTime(), std::move(finished), hold_);
    return pending;
}

void PendingImageWrites::drop(QList<PendingImage>& images, const QString& id) {
    settle(images);
    for (auto it = images.begin(); it != images.end(); ++it)
        if (it->id == id) {
            PendingCapture alone;
            alone.images.append(*it);
            alone.discardFiles();
            images.erase(it);
            break;
        }
    failed_.remove(id);
}
