#include "platform/x11/XInputKeyEventSource.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyGrab.h"

#include <QDebug>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

XInputKeyEventSource::XInputKeyEventSource(X11Connection& connection, X11Connection& grabs, QObject* parent)
    : QObject(parent), connection_(connection), grabs_(grabs) {
    connect(&connection_, &X11Connection::eventReceived, this, &XInputKeyEventSource::handle);
}

XInputKeyEventSource::~XInputKeyEventSource() {
    stop();
}

bool XInputKeyEventSource::start(KeyEventSink& sink) {
    if (sink_) {
        sink_ = &sink;
        return true;
    }
    xcb_connection_t* c = connection_.connection();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present)
        return false;
    // Raw events reach every selecting client, grabs or not, from 2.1 on.
    xcb_input_xi_query_version_reply_t* version =
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    const bool usable = version && (version->major_version > 2 ||
                                    (version->major_version == 2 && version->minor_version >= 1));
    std::free(version);
    if (!usable)
        return false;
    opcode_ = extension->major_opcode;
    if (!selectRawKeys(true))
        return false;
    sink_ = &sink;
    heldModifierKeys_.clear();
    grabSwallowed();
    return true;
}

void XInputKeyEventSource::stop() {
    if (!sink_)
        return;
    sink_ = nullptr;
    swallowing_.clear();
    selectRawKeys(false);
    xcb_flush(connection_.connection());
}

void XInputKeyEventSource::setSwallowed(const QList<HotkeyBinding>& combinations) {
    swallowed_ = combinations;
    if (sink_)
        grabSwallowed();
}

void XInputKeyEventSource::grabSwallowed() {
    swallowing_.clear();
    for (const HotkeyBinding& binding : std::as_const(swallowed_)) {
        if (!binding.keyCode)
            continue;
        if (auto grab = X11KeyGrab::grab(grabs_, *binding.keyCode, binding.modifiers))
            swallowing_.push_back(std::move(grab));
        else
            // Still counted from raw events; the presses just reach the focused window too.
            qWarning() << "zorvi: another application owns" << binding.displayString();
    }
}

bool XInputKeyEventSource::selectRawKeys(bool on) {
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE) : 0u};
    xcb_connection_t* c = connection_.connection();
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, connection_.root(), 1, &selection.head));
    const bool ok = !error;
    std::free(error);
    return ok;
}

void XInputKeyEventSource::EventClock::advanceTo(uint32_t serverMilliseconds) {
    // Differences only; unsigned arithmetic carries across the 49-day wrap.
    seconds_ += double(uint32_t(serverMilliseconds - last_)) / 1000.0;
    last_ = serverMilliseconds;
}

ModifierSet XInputKeyEventSource::held() const {
    ModifierSet set;
    for (ModifierSet m : heldModifierKeys_)
        set = set | m;
    return set;
}

void XInputKeyEventSource::handle(const xcb_generic_event_t* event) {
    if (!sink_ || (event->response_type & 0x7f) != XCB_GE_GENERIC)
        return;
    const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
    if (raw->extension != opcode_)
        return;
    const bool press = raw->event_type == XCB_INPUT_RAW_KEY_PRESS;
    if (!press && raw->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return;
    eventClock_.advanceTo(raw->time);
    const auto keycode = uint8_t(raw->detail);
    const X11KeySymbols& symbols = connection_.keySymbols();
    if (const std::optional<ModifierSet> modifier = symbols.modifier(keycode)) {
        const ModifierSet before = held();
        if (press)
            heldModifierKeys_.insert(keycode, *modifier);
        else
            heldModifierKeys_.remove(keycode);
        if (held() != before)
            sink_->flagsChanged(held());
        return;
    }
    if (press && !(raw->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT))
        sink_->keyDown(symbols.keyCode(keycode).value_or(unknownKeyCode), held());
}
