#include "platform/x11/X11ActiveWindowSource.h"

#include "platform/x11/X11Properties.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QList>

namespace {

using X11Properties::Property;
using X11Properties::own;

std::optional<QString> nonEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

std::unique_ptr<X11ActiveWindowSource> X11ActiveWindowSource::connect(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    auto source = std::unique_ptr<X11ActiveWindowSource>(new X11ActiveWindowSource(connection));
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return nullptr;
    source->root_ = screens.data->root;
    return source;
}

X11ActiveWindowSource::X11ActiveWindowSource(xcb_connection_t* connection) : connection_(connection) {
    activeWindowAtom_ = X11Properties::internAtom(connection_, "_NET_ACTIVE_WINDOW");
    wmNameAtom_ = X11Properties::internAtom(connection_, "_NET_WM_NAME");
    utf8StringAtom_ = X11Properties::internAtom(connection_, "UTF8_STRING");
    wmPidAtom_ = X11Properties::internAtom(connection_, "_NET_WM_PID");
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(connection_, &xcb_res_id);
    hasXRes_ = res && res->present;
}

X11ActiveWindowSource::~X11ActiveWindowSource() {
    xcb_disconnect(connection_);
}

std::optional<ActiveWindow> X11ActiveWindowSource::activeWindow() const {
    const std::optional<uint32_t> window = activeWindowID();
    if (!window)
        return std::nullopt;
    return describe(*window);
}

std::optional<uint32_t> X11ActiveWindowSource::activeWindowID() const {
    const std::optional<uint32_t> window =
        X11Properties::readValue(connection_, root_, activeWindowAtom_, XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return std::nullopt;
    return window;
}

ActiveWindow X11ActiveWindowSource::describe(uint32_t window) const {
    ActiveWindow active;
    active.title = title(window);
    if (const std::optional<Property> wmClass = X11Properties::read(connection_, window, XCB_ATOM_WM_CLASS)) {
        // Two NUL-terminated strings: instance, then class.
        const QList<QByteArray> parts = wmClass->bytes.split('\0');
        if (!parts.isEmpty())
            active.instanceName = nonEmpty(QString::fromLatin1(parts.value(0)));
        active.className = nonEmpty(QString::fromLatin1(parts.value(1)));
    }
    active.pid = pid(window);
    return active;
}

std::optional<QString> X11ActiveWindowSource::title(uint32_t window) const {
    if (const std::optional<Property> name = X11Properties::read(connection_, window, wmNameAtom_);
        name && name->type == utf8StringAtom_)
        return nonEmpty(QString::fromUtf8(name->bytes));
    const std::optional<Property> legacy = X11Properties::read(connection_, window, XCB_ATOM_WM_NAME);
    if (!legacy)
        return std::nullopt;
    if (legacy->type == utf8StringAtom_)
        return nonEmpty(QString::fromUtf8(legacy->bytes));
    // STRING is Latin-1; compound text is only trusted while it is plain ASCII.
    if (legacy->type == XCB_ATOM_STRING)
        return nonEmpty(QString::fromLatin1(legacy->bytes));
    for (const char c : legacy->bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return std::nullopt;
    return nonEmpty(QString::fromLatin1(legacy->bytes));
}

std::optional<qint64> X11ActiveWindowSource::pid(uint32_t window) const {
    // The server knows which local process owns the client; _NET_WM_PID is
    // only what the client says about itself.
    if (hasXRes_) {
        // Only the process id is asked for, so every value the server answers is one.
        const xcb_res_client_id_spec_t pidOfWindow{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        const auto reply = own(
            xcb_res_query_client_ids_reply(connection_, xcb_res_query_client_ids(connection_, 1, &pidOfWindow), nullptr));
        if (reply) {
            for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem; xcb_res_client_id_value_next(&ids))
                if (xcb_res_client_id_value_value_length(ids.data) >= 1)
                    return qint64(*xcb_res_client_id_value_value(ids.data));
        }
    }
    if (const std::optional<uint32_t> claimed = X11Properties::readValue(connection_, window, wmPidAtom_, XCB_ATOM_CARDINAL))
        return qint64(*claimed);
    return std::nullopt;
}
