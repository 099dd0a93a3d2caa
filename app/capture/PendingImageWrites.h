#pragma once

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "capture/PendingImage.h"

#include <QDateTime>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>

// Screenshots being encoded and written on worker threads, so the note box
// comes up without waiting for the PNG. The flow collects each result when
// it needs the file (save, markup, discard).
//
// A new screenshot's write holds back until the note box is on screen
// (letHeldWritesRun), for at most `longestHold`: on a machine with two
// cores the encoder would otherwise take the cores the X server and the
// window manager need to put the box up. Collecting a write never waits
// for the hold.
class PendingImageWrites : public QObject {
    Q_OBJECT
public:
    using Finished = std::function<void(const ImageWriter::Written&)>;

    explicit PendingImageWrites(QObject* parent = nullptr) : QObject(parent) {}
    ~PendingImageWrites() override;

    static constexpr std::chrono::milliseconds longestHold{150};

    // A new pending screenshot whose files are written once the held writes
    // may run; with `copyToClipboard`, the PNG goes to the clipboard once written.
    PendingImage startNew(const QImage& image, bool copyToClipboard);
    // Lets the writes held so far begin; later ones are held again.
    void letHeldWritesRun();
    // Removes that screenshot from `images`, with whatever files it has.
    void drop(QList<PendingImage>& images, const QString& id);
    // Waits for that write and forgets it. Throws CaptureError::writeFailed.
    ImageWriter::Written take(const QString& id);
    bool isWriting(const QString& id) const { return writes_.contains(id); }

    // Waits for the files of `images`, writing again those that failed
    // before (the pixels are still in memory, dated `date`); the error of
    // the first that fails, whose id failed() then holds.
    std::optional<CaptureError> collect(QList<PendingImage>& images, const QDateTime& date);
    // Waits for every outstanding write of `images`, ignoring failures: what
    // a discard must know before removing files.
    void settle(QList<PendingImage>& images);
    // The screenshots whose file could not be written; a collect tries again.
    const QSet<QString>& failed() const { return failed_; }
    void forgetFailure(const QString& id) { failed_.remove(id); }
    void forgetFailures() { failed_.clear(); }

private:
    class Hold;
    // Starts writing once `hold` (when given) lets it; `finished` runs on
    // this object's thread after a successful write.
    void start(const QString& id, const QImage& image, const QDateTime& date, Finished finished = {},
               std::shared_ptr<Hold> hold = {});

    std::shared_ptr<Hold> hold_;
    QMap<QString, std::shared_future<ImageWriter::Written>> writes_;
    QSet<QString> failed_;
};
