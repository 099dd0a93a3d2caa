#pragma once

#include "store/Capture.h"

#include <QString>

#include <optional>

class Library;

// The capture the detail view shows, which the panes beside each other all
// read. A capture opened by its id (a link, a notice) in a library larger
// than the board loads may be on no loaded page: then it is read on its own,
// by its key, and read again after each change.
class ShownCapture {
public:
    explicit ShownCapture(const Library& library) : library_(library) {}

    void show(const std::optional<QString>& captureID);
    // Reads a capture outside the loaded pages again; call after the library changed.
    void reread();

    const std::optional<QString>& id() const { return id_; }
    // Null when none is shown or it was deleted.
    const Capture* capture() const;

private:
    const Library& library_;
    std::optional<QString> id_;
    std::optional<Capture> unloaded_;
};
