#pragma once

#include <QImage>
#include <QRect>

#include <atomic>
#include <memory>

#include <xcb/xcb.h>
#include <xcb/shm.h>

// A shared memory segment the X server writes screen grabs into, kept from
// one capture to the next: a fresh 4K segment cost every capture its page
// faults on both sides of the socket and its teardown after. A grab lends the
// segment to the image it returns; until that image and its copies are gone
// the segment is busy, and the capturer takes another.
class X11GrabSegment {
public:
    // Null when the server or the system can't share memory.
    static std::unique_ptr<X11GrabSegment> create(xcb_connection_t* connection, qsizetype bytes);
    ~X11GrabSegment();

    X11GrabSegment(const X11GrabSegment&) = delete;
    X11GrabSegment& operator=(const X11GrabSegment&) = delete;

    qsizetype bytes() const { return bytes_; }
    bool isLent() const;

    // The root window's pixels in `nativeArea` (device pixels), which must
    // fit the segment, as an image over the segment; null when the server
    // refuses. Only while not lent.
    QImage grab(xcb_window_t root, const QRect& nativeArea);

private:
    struct Memory;
    X11GrabSegment(xcb_connection_t* connection, std::shared_ptr<Memory> memory, xcb_shm_seg_t segment,
                   qsizetype bytes);

    xcb_connection_t* connection_;
    std::shared_ptr<Memory> memory_;
    xcb_shm_seg_t segment_;
    qsizetype bytes_;
};
