#include "keys/KeyboardLayout.h"

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

const KeyboardLayout* KeyboardLayout::current() {
    const ChosenLayout& c = chosen();
    return c.overridden ? c.layout : &Platform::current().keyboardLayout();
}

void KeyboardLayout::setCurrent(const KeyboardLayout* layout) {
    chosen() = {true, layout};
}
