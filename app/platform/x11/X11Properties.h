#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;

// Reading window properties and atoms over a plain xcb connection, shared by
// the X11 backends that describe windows.
namespace X11Properties {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Takes ownership of a reply xcb allocated.
template <class T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// XCB_ATOM_NONE when the server doesn't know the name.
uint32_t internAtom(xcb_connection_t* connection, const char* name);

struct Property {
    uint32_t type = 0;
    QByteArray bytes;
};

// A whole property (up to 64 KiB, far more than a title or class needs).
std::optional<Property> read(xcb_connection_t* connection, uint32_t window, uint32_t atom);

// A property of 32-bit values of `type` (CARDINAL, WINDOW, ATOM); empty when it is missing or of another type.
std::vector<uint32_t> readValues(xcb_connection_t* connection, uint32_t window, uint32_t atom, uint32_t type);

// The first of those values.
std::optional<uint32_t> readValue(xcb_connection_t* connection, uint32_t window, uint32_t atom, uint32_t type);

} // namespace X11Properties
