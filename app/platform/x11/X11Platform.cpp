#include "platform/x11/X11Platform.h"

#include "platform/DesktopSettingsShortcuts.h"
#include "platform/KeysymKeyboardLayout.h"
#include "platform/x11/X11ActiveWindowSource.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotkeyRegistrar.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/X11ScreenCapturer.h"
#include "platform/x11/X11UncoverWatcher.h"
#include "platform/x11/X11WindowFinder.h"
#include "platform/x11/XInputKeyEventSource.h"

namespace {

// Grabs and the raw key feed each on a connection of their own, so a grab's
// round trip never waits behind a burst of raw events.
class X11Shortcuts : public ShortcutService {
public:
    X11Shortcuts(std::unique_ptr<X11Connection> grabs, std::unique_ptr<X11Connection> keys)
        : grabs_(std::move(grabs)), keys_(std::move(keys)), registrar_(*grabs_), keySource_(*keys_, *grabs_) {}

    Mechanism mechanism() const override { return Mechanism::x11; }
    HotkeyRegistrar& registrar() override { return registrar_; }
    KeyEventSource* keyEvents() override { return &keySource_; }

private:
    std::unique_ptr<X11Connection> grabs_;
    std::unique_ptr<X11Connection> keys_;
    X11HotkeyRegistrar registrar_;
    XInputKeyEventSource keySource_;
};

} // namespace

X11Platform::X11Platform() = default;
X11Platform::~X11Platform() = default;

std::unique_ptr<ScreenCapturer> X11Platform::screenCapturer() {
    return std::make_unique<X11ScreenCapturer>();
}

std::unique_ptr<ActiveWindowSource> X11Platform::activeWindowSource() {
    return X11ActiveWindowSource::connect();
}

std::unique_ptr<WindowFinder> X11Platform::windowFinder() {
    if (std::unique_ptr<WindowFinder> finder = X11WindowFinder::connect())
        return finder;
    return WindowFinder::unavailable();
}

std::unique_ptr<UncoverWatcher> X11Platform::uncoverWatcher() {
    if (std::unique_ptr<UncoverWatcher> watcher = X11UncoverWatcher::open())
        return watcher;
    return Platform::uncoverWatcher();
}

std::unique_ptr<ShortcutService> X11Platform::shortcutService() {
    std::unique_ptr<X11Connection> grabs = X11Connection::open();
    std::unique_ptr<X11Connection> keys = X11Connection::open();
    if (!grabs || !keys)
        return std::make_unique<DesktopSettingsShortcuts>();
    return std::make_unique<X11Shortcuts>(std::move(grabs), std::move(keys));
}

const KeyboardLayout& X11Platform::keyboardLayout() {
    if (!layout_ && !fallbackLayout_) {
        layout_ = X11KeyboardLayout::connect();
        if (!layout_)
            fallbackLayout_ = std::make_unique<KeysymKeyboardLayout>();
    }
    if (layout_)
        return *layout_;
    return *fallbackLayout_;
}
