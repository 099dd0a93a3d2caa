#include "platform/x11/X11Properties.h"

#include <xcb/xcb.h>

#include <cstring>

namespace X11Properties {

uint32_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto reply = own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
}

std::optional<Property> read(xcb_connection_t* connection, uint32_t window, uint32_t atom) {
    if (atom == XCB_ATOM_NONE)
        return std::nullopt;
    const auto reply = own(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 16384), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    return Property{reply->type, QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length)};
}

std::vector<uint32_t> readValues(xcb_connection_t* connection, uint32_t window, uint32_t atom, uint32_t type) {
    const std::optional<Property> property = read(connection, window, atom);
    if (!property || property->type != type)
        return {};
    std::vector<uint32_t> values(size_t(property->bytes.size()) / sizeof(uint32_t));
    std::memcpy(values.data(), property->bytes.constData(), values.size() * sizeof(uint32_t));
    return values;
}

std::optional<uint32_t> readValue(xcb_connection_t* connection, uint32_t window, uint32_t atom, uint32_t type) {
    const std::vector<uint32_t> values = readValues(connection, window, atom, type);
    return values.empty() ? std::nullopt : std::optional<uint32_t>(values.front());
}

} // namespace X11Properties
