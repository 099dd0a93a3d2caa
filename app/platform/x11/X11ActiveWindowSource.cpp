#include "platform/x11/X11ActiveWindowSource.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

uint32_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto reply = own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
}

struct Property {
    uint32_t type = XCB_ATOM_NONE;
    QByteArray bytes;
};

// A whole property (up to 64 KiB, far more than a title or class needs).
std::optional<Property> readProperty(xcb_connection_t* connection, uint32_t window, uint32_t atom) {
    if (atom == XCB_ATOM_NONE)
        return std::nullopt;
    const auto reply = own(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 16384), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    return Property{reply->type,
                    QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length)};
}

std::optional<uint32_t> readCardinal(xcb_connection_t* connection, uint32_t window, uint32_t atom,
                                     uint32_t type) {
    const std::optional<Property> property = readProperty(connection, window, atom);
    if (!property || property->type != type || property->bytes.size() < 4)
        return std::nullopt;
    uint32_t value;
    std::memcpy(&value, property->bytes.constData(), sizeof value);
    return value;
}

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
    activeWindowAtom_ = internAtom(connection_, "_NET_ACTIVE_WINDOW");
    wmNameAtom_ = internAtom(connection_, "_NET_WM_NAME");
    utf8StringAtom_ = internAtom(connection_, "UTF8_STRING");
    wmPidAtom_ = internAtom(connection_, "_NET_WM_PID");
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(connection_, &xcb_res_id);
    hasXRes_ = res && res->present;
}

X11ActiveWindowSource::~X11ActiveWindowSource() {
    xcb_disconnect(connection_);
}

std::optional<ActiveWindow> X11ActiveWindowSource::activeWindow() const {
    const std::optional<uint32_t> window = readCardinal(connection_, root_, activeWindowAtom_, XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return std::nullopt;

    ActiveWindow active;
    active.title = title(*window);
    if (const std::optional<Property> wmClass = readProperty(connection_, *window, XCB_ATOM_WM_CLASS)) {
        // Two NUL-terminated strings: instance, then class.
        const QList<QByteArray> parts = wmClass->bytes.split('\0');
        if (!parts.isEmpty())
            active.instanceName = nonEmpty(QString::fromLatin1(parts.value(0)));
        active.className = nonEmpty(QString::fromLatin1(parts.value(1)));
    }
    active.pid = pid(*window);
    return active;
}

std::optional<QString> X11ActiveWindowSource::title(uint32_t window) const {
    if (const std::optional<Property> name = readProperty(connection_, window, wmNameAtom_);
        name && name->type == utf8StringAtom_)
        return nonEmpty(QString::fromUtf8(name->bytes));
    const std::optional<Property> legacy = readProperty(connection_, window, XCB_ATOM_WM_NAME);
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
    if (const std::optional<uint32_t> claimed = readCardinal(connection_, window, wmPidAtom_, XCB_ATOM_CARDINAL))
        return qint64(*claimed);
    return std::nullopt;
}
