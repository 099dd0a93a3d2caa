#include "platform/x11/X11ScreenCapturer.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

void X11ScreenCapturer::grabScreens(Done done, Failed failed) {
    std::vector<ScreenFrame> frames;
    for (QScreen* screen : QGuiApplication::screens()) {
        ScreenFrame frame;
        frame.name = screen->name();
        frame.geometry = screen->geometry();
        frame.scale = screen->devicePixelRatio();
        frame.image = screen->grabWindow(0).toImage();
        if (frame.image.isNull()) {
            failed(CaptureError::captureFailed(QStringLiteral("the X server returned no picture of ") + frame.name));
            return;
        }
        frame.image.setDevicePixelRatio(1);
        frames.push_back(std::move(frame));
    }
    if (frames.empty()) {
        failed(CaptureError::noDisplay());
        return;
    }
    done(std::move(frames));
}
