#include "ShownCapture.h"

#include "library/Library.h"

void ShownCapture::show(const std::optional<QString>& captureID) {
    id_ = captureID;
    reread();
}

void ShownCapture::reread() {
    unloaded_.reset();
    if (id_ && !library_.loadedCapture(*id_))
        unloaded_ = library_.capture(*id_);
}

const Capture* ShownCapture::capture() const {
    if (!id_)
        return nullptr;
    if (const Capture* loaded = library_.loadedCapture(*id_))
        return loaded;
    return unloaded_ ? &*unloaded_ : nullptr;
}
