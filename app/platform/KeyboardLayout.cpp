#include "platform/KeyboardLayout.h"

#include "platform/x11/X11KeyboardLayout.h"

#include <memory>

namespace {

struct CurrentLayout {
    bool chosen = false;
    const KeyboardLayout* layout = nullptr;
    std::unique_ptr<X11KeyboardLayout> x11;
};

CurrentLayout& state() {
    static CurrentLayout instance;
    return instance;
}

} // namespace

const KeyboardLayout* KeyboardLayout::current() {
    CurrentLayout& s = state();
    if (!s.chosen) {
        s.chosen = true;
        s.x11 = X11KeyboardLayout::connect();
        s.layout = s.x11.get();
    }
    return s.layout;
}

void KeyboardLayout::setCurrent(const KeyboardLayout* layout) {
    CurrentLayout& s = state();
    s.chosen = true;
    s.layout = layout;
}
