#include "ThumbnailLoader.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QMetaObject>

ThumbnailLoader& ThumbnailLoader::shared() {
    static ThumbnailLoader* loader = new ThumbnailLoader;
    return *loader;
}

ThumbnailLoader::ThumbnailLoader() {
    pool_.setObjectName("dev.zorvi.thumbnails");
    pool_.setMaxThreadCount(2);
}

const QImage* ThumbnailLoader::image(const QString& path) {
    if (const QImage* hit = cache_.object(path))
        return hit;
    if (path.isEmpty() || inFlight_.contains(path) || failed_.contains(path))
        return nullptr;
    inFlight_.insert(path);
    pool_.start([this, path] {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid() && std::max(size.width(), size.height()) > longEdge)
            reader.setScaledSize(size.scaled(longEdge, longEdge, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        QMetaObject::invokeMethod(
            this, [this, path, image] { deliver(path, image); }, Qt::QueuedConnection);
    });
    return nullptr;
}

void ThumbnailLoader::deliver(const QString& path, const QImage& image) {
    // An eviction while the read was running wins: the file may have changed since.
    if (!inFlight_.remove(path))
        return;
    if (image.isNull())
        failed_.insert(path);
    else
        cache_.insert(path, new QImage(image));
    emit loaded(path);
}

void ThumbnailLoader::evict(const QString& path) {
    cache_.remove(path);
    failed_.remove(path);
    inFlight_.remove(path);
}

void ThumbnailLoader::waitForIdle() {
    while (!inFlight_.isEmpty()) {
        pool_.waitForDone();
        QCoreApplication::sendPostedEvents(this);
    }
}
