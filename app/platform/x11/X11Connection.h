#pragma once

#include "platform/x11/X11KeySymbols.h"

#include <QObject>

#include <memory>

#include <xcb/xcb.h>

class QSocketNotifier;

// A connection of the app's own to the X server for key grabs and raw key
// events, read on the main thread as soon as its socket turns readable (no
// hop through Qt's event reader thread). Keeps the keyboard mapping current.
class X11Connection : public QObject {
    Q_OBJECT
public:
    // Connects to the display (DISPLAY when null); none when it can't.
    static std::unique_ptr<X11Connection> open(const char* displayName = nullptr);
    ~X11Connection() override;

    xcb_connection_t* connection() const { return connection_; }
    uint32_t root() const { return root_; }
    const X11KeySymbols& keySymbols() const { return keySymbols_; }

signals:
    // Each event, on the main thread, while the connection is open.
    void eventReceived(const xcb_generic_event_t* event);
    // The key mapping changed; key codes grabbed before may be wrong now.
    void keyboardMappingChanged();

private:
    X11Connection(xcb_connection_t* connection, uint32_t root);
    // Reads the socket and hands out every event received.
    void dispatchPending();
    // Hands out events a reply brought along, which left the socket quiet.
    void dispatchQueued();
    void handle(xcb_generic_event_t* event);

    xcb_connection_t* connection_;
    uint32_t root_;
    X11KeySymbols keySymbols_;
    QSocketNotifier* notifier_;
};
