#include "platform/x11/X11ScreenCapturer.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

// Reads a desktop rectangle through shared memory: the X server writes the
// pixels straight into our segment instead of streaming a 4K frame through
// the socket. The image owns the segment. Null when the server can't.
QImage grabThroughSharedMemory(const QRect& nativeArea) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || nativeArea.isEmpty())
        return {};
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!shm || !shm->present || !screen || (screen->root_depth != 24 && screen->root_depth != 32))
        return {};

    const qsizetype bytes = qsizetype(nativeArea.width()) * nativeArea.height() * 4;
    const int id = shmget(IPC_PRIVATE, size_t(bytes), IPC_CREAT | 0600);
    if (id < 0)
        return {};
    void* data = shmat(id, nullptr, 0);
    // Removed now; the segment lives until both sides have detached.
    shmctl(id, IPC_RMID, nullptr);
    if (data == reinterpret_cast<void*>(-1))
        return {};

    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_shm_attach(c, segment, uint32_t(id), 0);
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, screen->root, int16_t(nativeArea.x()), int16_t(nativeArea.y()),
                          uint16_t(nativeArea.width()), uint16_t(nativeArea.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                          segment, 0),
        nullptr);
    xcb_shm_detach(c, segment);
    const bool ok = reply && (reply->depth == 24 || reply->depth == 32);
    std::free(reply);
    if (!ok) {
        shmdt(data);
        return {};
    }
    return QImage(
        static_cast<uchar*>(data), nativeArea.width(), nativeArea.height(), nativeArea.width() * 4,
        QImage::Format_RGB32, [](void* segmentData) { shmdt(segmentData); }, data);
}

} // namespace

void X11ScreenCapturer::grabScreens(Done done, Failed failed) {
    std::vector<ScreenFrame> frames;
    for (QScreen* screen : QGuiApplication::screens()) {
        ScreenFrame frame;
        frame.name = screen->name();
        frame.geometry = screen->geometry();
        frame.scale = screen->devicePixelRatio();
        // Qt keeps a screen's native top-left and scales only its size.
        const QRect native(frame.geometry.topLeft(), (QSizeF(frame.geometry.size()) * frame.scale).toSize());
        frame.image = grabThroughSharedMemory(native);
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
