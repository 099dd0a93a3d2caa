#include "platform/x11/X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(connection, screens.data->root));
}

X11Connection::X11Connection(xcb_connection_t* connection, uint32_t root)
    : connection_(connection), root_(root), keySymbols_(connection),
      notifier_(new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this)) {
    connect(notifier_, &QSocketNotifier::activated, this, &X11Connection::dispatchPending);
    // A reply read for some request may bring events along; they sit in
    // xcb's queue with nothing left on the socket to wake us.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11Connection::dispatchQueued);
}

X11Connection::~X11Connection() {
    delete notifier_;
    xcb_disconnect(connection_);
}

void X11Connection::dispatchPending() {
    if (xcb_connection_has_error(connection_)) {
        // The server went away; nothing more will come.
        notifier_->setEnabled(false);
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

void X11Connection::dispatchQueued() {
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

void X11Connection::handle(xcb_generic_event_t* event) {
    if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
        if (keySymbols_.refresh(reinterpret_cast<xcb_mapping_notify_event_t*>(event)))
            emit keyboardMappingChanged();
        return;
    }
    emit eventReceived(event);
}
