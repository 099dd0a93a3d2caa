// A window the tests know: a picture shown pixel for pixel in the middle of
// a full-screen window of a plain colour, with the app id and title given.
//   zorvi-known-window PICTURE APP_ID TITLE
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage picture) : picture_(std::move(picture)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x30, 0x40, 0x50));
        painter.drawImage((width() - picture_.width()) / 2, (height() - picture_.height()) / 2, picture_);
    }

private:
    QImage picture_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        qCritical("usage: zorvi-known-window PICTURE APP_ID TITLE");
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[1]));
    if (picture.isNull()) {
        qCritical("zorvi-known-window: no picture in %s", argv[1]);
        return 2;
    }
    QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[2]));
    PictureWindow window(picture);
    window.setWindowTitle(QString::fromLocal8Bit(argv[3]));
    window.showFullScreen();
    return app.exec();
}
