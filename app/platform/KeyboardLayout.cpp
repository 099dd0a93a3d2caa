#include "platform/KeyboardLayout.h"

#include "platform/Platform.h"

namespace {

struct ChosenLayout {
    bool overridden = false;
    const KeyboardLayout* layout = nullptr;
};

ChosenLayout& chosen() {
    static ChosenLayout instance;
    return instance;
}

} // namespace

std::optional<uint16_t> KeyboardLayout::keyCodeForScanCode(uint32_t) const {
    return std::nullopt;
}

const KeyboardLayout* KeyboardLayout::current() {
    const ChosenLayout& c = chosen();
    return c.overridden ? c.layout : &Platform::current().keyboardLayout();
}

void KeyboardLayout::setCurrent(const KeyboardLayout* layout) {
    chosen() = {true, layout};
}
