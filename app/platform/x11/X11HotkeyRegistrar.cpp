#include "platform/x11/X11HotkeyRegistrar.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyGrab.h"

#include <xcb/xcb.h>

class X11HotkeyRegistrar::Grabbed : public Registration {
public:
    Grabbed(QSet<Grabbed*>& live, std::unique_ptr<X11KeyGrab> grab, std::function<void()> handler)
        : live_(live), grab(std::move(grab)), handler(std::move(handler)) {
        live_.insert(this);
    }
    ~Grabbed() override { live_.remove(this); }

    QSet<Grabbed*>& live_;
    const std::unique_ptr<X11KeyGrab> grab;
    const std::function<void()> handler;
};

X11HotkeyRegistrar::X11HotkeyRegistrar(X11Connection& connection, QObject* parent)
    : QObject(parent), connection_(connection) {
    connect(&connection_, &X11Connection::eventReceived, this, &X11HotkeyRegistrar::handle);
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() = default;

std::unique_ptr<HotkeyRegistrar::Registration>
X11HotkeyRegistrar::registerHotkey(const QString&, const QString&, uint16_t keyCode, ModifierSet modifiers,
                                   std::function<void()> handler) {
    std::unique_ptr<X11KeyGrab> grab = X11KeyGrab::grab(connection_, keyCode, modifiers);
    if (!grab)
        return nullptr;
    return std::make_unique<Grabbed>(live_, std::move(grab), std::move(handler));
}

void X11HotkeyRegistrar::handle(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
        lastRelease_ = {release->detail, release->time};
        return;
    }
    if (type != XCB_KEY_PRESS)
        return;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // A held key repeats as a release and a press with the same time stamp;
    // holding a shortcut a little long must not press it again.
    if (lastRelease_.keycode == press->detail && lastRelease_.time == press->time)
        return;
    for (Grabbed* grabbed : std::as_const(live_)) {
        if (grabbed->grab->matches(press->detail, press->state)) {
            // Posted, so a handler may re-register (and so destroy this grab).
            QMetaObject::invokeMethod(this, grabbed->handler, Qt::QueuedConnection);
            return;
        }
    }
}
