#include "TestImages.h"

#include <QColorSpace>
#include <QPainter>

#include <stdexcept>

namespace TestImages {

namespace {

QImage load(const QString& name) {
    QImage image(path(name));
    if (image.isNull())
        throw std::runtime_error("missing test image " + name.toStdString());
    return image;
}

} // namespace

QString path(const QString& name) { return QStringLiteral(ZORVI_TEST_DATA_DIR "/") + name; }

QImage docPage() {
    static const QImage image = load("doc-page-1280x720.png");
    return image;
}

QImage darkApiDocs() {
    static const QImage image = load("api-docs-dark-960x540.png");
    return image;
}

QImage photo() {
    static const QImage image = load("ui-with-photo-480x270.png");
    return image;
}

QImage fullScreen(const QImage& crop) {
    QImage screen(3840, 2160, QImage::Format_RGB32);
    QPainter painter(&screen);
    for (int y = 0; y < screen.height(); y += crop.height())
        for (int x = 0; x < screen.width(); x += crop.width())
            painter.drawImage(x, y, crop);
    return screen;
}

} // namespace TestImages

QImage TestImages::pixelsOf(const QImage& image) {
    QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    pixels.setColorSpace(QColorSpace());
    return pixels;
}
