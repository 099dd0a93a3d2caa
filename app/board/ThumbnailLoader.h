#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>

// Decodes image files off the UI thread and keeps the most recent few
// hundred in memory, keyed by absolute path. Views ask for a path, draw a
// neutral surface until `loaded` names it, then ask again.
class ThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    // A few screens of cards each way, so scrolling back never decodes again.
    static constexpr int capacity = 300;
    // Originals standing in for a missing thumbnail are scaled to this long edge.
    static constexpr int longEdge = 640;

    static ThumbnailLoader& shared();

    // The decoded image when cached; otherwise starts reading it (once) and returns none.
    const QImage* image(const QString& path);
    // Whether the last read of this path failed (a missing or unreadable file).
    bool failed(const QString& path) const { return failed_.contains(path); }
    // Writers of image files drop what they replaced.
    void evict(const QString& path);
    // Blocks until every started read has been delivered (tests, benchmarks).
    void waitForIdle();

  signals:
    void loaded(const QString& path);

  private:
    ThumbnailLoader();
    void deliver(const QString& path, const QImage& image);

    QCache<QString, QImage> cache_{capacity};
    QSet<QString> inFlight_;
    QSet<QString> failed_;
    QThreadPool pool_;
};
