#pragma once

#include "capture/ImageWriter.h"

#include <QDateTime>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <future>

// Screenshots being encoded and written on worker threads, so the note box
// comes up without waiting for the PNG. The flow collects each result when
// it needs the file (save, markup, discard).
class PendingImageWrites : public QObject {
    Q_OBJECT
public:
    using Finished = std::function<void(const ImageWriter::Written&)>;

    explicit PendingImageWrites(QObject* parent = nullptr) : QObject(parent) {}
    ~PendingImageWrites() override;

    // Starts writing; `finished` runs on this object's thread after a successful write.
    void start(const QString& id, const QImage& image, const QDateTime& date, Finished finished = {});
    // Waits for that write and forgets it. Throws CaptureError::writeFailed.
    ImageWriter::Written take(const QString& id);
    bool isWriting(const QString& id) const { return writes_.contains(id); }

private:
    QMap<QString, std::shared_future<ImageWriter::Written>> writes_;
};
