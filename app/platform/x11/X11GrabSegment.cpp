#include "platform/x11/X11GrabSegment.h"

#include <QGuiApplication>

#include <cstdlib>

#include <sys/ipc.h>
#include <sys/shm.h>

// Outlives the segment object while an image still shows its pixels.
struct X11GrabSegment::Memory {
    void* data = nullptr;
    std::atomic<bool> lent{false};
    ~Memory() { shmdt(data); }
};

std::unique_ptr<X11GrabSegment> X11GrabSegment::create(xcb_connection_t* connection, qsizetype bytes) {
    const int id = shmget(IPC_PRIVATE, size_t(bytes), IPC_CREAT | 0600);
    if (id < 0)
        return nullptr;
    void* data = shmat(id, nullptr, 0);
    // Removed now; the segment lives until both sides have detached.
    shmctl(id, IPC_RMID, nullptr);
    if (data == reinterpret_cast<void*>(-1))
        return nullptr;
    auto memory = std::make_shared<Memory>();
    memory->data = data;
    const xcb_shm_seg_t segment = xcb_generate_id(connection);
    if (xcb_generic_error_t* error =
            xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, uint32_t(id), 0))) {
        std::free(error);
        return nullptr;
    }
    return std::unique_ptr<X11GrabSegment>(new X11GrabSegment(connection, std::move(memory), segment, bytes));
}

X11GrabSegment::X11GrabSegment(xcb_connection_t* connection, std::shared_ptr<Memory> memory, xcb_shm_seg_t segment,
                               qsizetype bytes)
    : connection_(connection), memory_(std::move(memory)), segment_(segment), bytes_(bytes) {}

X11GrabSegment::~X11GrabSegment() {
    // After the application is gone its connection is too; the server lets
    // go of the segment when the connection closes.
    if (qGuiApp)
        xcb_shm_detach(connection_, segment_);
}

bool X11GrabSegment::isLent() const {
    return memory_->lent.load();
}

QImage X11GrabSegment::grab(xcb_window_t root, const QRect& nativeArea) {
    if (isLent() || qsizetype(nativeArea.width()) * nativeArea.height() * 4 > bytes_)
        return {};
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
        connection_,
        xcb_shm_get_image(connection_, root, int16_t(nativeArea.x()), int16_t(nativeArea.y()),
                          uint16_t(nativeArea.width()), uint16_t(nativeArea.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
        nullptr);
    const bool ok = reply && (reply->depth == 24 || reply->depth == 32);
    std::free(reply);
    if (!ok)
        return {};
    memory_->lent = true;
    // The image keeps the memory alive and hands the segment back when its
    // last copy goes, on whichever thread that is.
    auto* keeper = new std::shared_ptr<Memory>(memory_);
    QImage image(
        static_cast<uchar*>(memory_->data), nativeArea.width(), nativeArea.height(), nativeArea.width() * 4,
        QImage::Format_RGB32,
        [](void* info) {
            auto* memory = static_cast<std::shared_ptr<Memory>*>(info);
            (*memory)->lent = false;
            delete memory;
        },
        keeper);
    // A null image never calls its cleanup.
    if (image.isNull()) {
        memory_->lent = false;
        delete keeper;
    }
    return image;
}
