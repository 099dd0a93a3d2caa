#include "platform/x11/X11ScreenCapturer.h"

#include "platform/x11/X11GrabSegment.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <xcb/shm.h>
#include <xcb/xcb.h>

X11ScreenCapturer::X11ScreenCapturer() = default;
X11ScreenCapturer::~X11ScreenCapturer() = default;

// Reads a desktop rectangle through shared memory: the X server writes the
// pixels straight into a segment of ours instead of streaming a 4K frame
// through the socket. Null when the server can't.
QImage X11ScreenCapturer::grabThroughSharedMemory(size_t screenIndex, const QRect& nativeArea) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || nativeArea.isEmpty())
        return {};
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!shm || !shm->present || !screen || (screen->root_depth != 24 && screen->root_depth != 32))
        return {};

    if (segments_.size() <= screenIndex)
        segments_.resize(screenIndex + 1);
    std::unique_ptr<X11GrabSegment>& kept = segments_[screenIndex];
    const qsizetype bytes = qsizetype(nativeArea.width()) * nativeArea.height() * 4;
    // A segment still lent to an earlier frame (a full-screen shot being
    // saved) stays with it; the new one is kept instead.
    if (!kept || kept->bytes() != bytes || kept->isLent())
        kept = X11GrabSegment::create(c, bytes);
    return kept ? kept->grab(screen->root, nativeArea) : QImage();
}

void X11ScreenCapturer::grabScreens(Done done, Failed failed) {
    std::vector<ScreenFrame> frames;
    for (QScreen* screen : QGuiApplication::screens()) {
        ScreenFrame frame;
        frame.name = screen->name();
        frame.geometry = screen->geometry();
        frame.scale = screen->devicePixelRatio();
        // Qt keeps a screen's native top-left and scales only its size.
        const QRect native(frame.geometry.topLeft(), (QSizeF(frame.geometry.size()) * frame.scale).toSize());
        frame.image = grabThroughSharedMemory(frames.size(), native);
        if (frame.image.isNull())
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
