#pragma once

#include "platform/Platform.h"

class X11KeyboardLayout;
class KeysymKeyboardLayout;

// An X11 session: the server's own pixels, key grabs, raw key events and EWMH.
class X11Platform : public Platform {
public:
    X11Platform();
    ~X11Platform() override;

    SessionType session() const override { return SessionType::x11; }
    std::unique_ptr<ScreenCapturer> screenCapturer() override;
    bool canCaptureScreen() override { return true; }
    bool canMonitorKeys() override { return true; }
    std::unique_ptr<ActiveWindowSource> activeWindowSource() override;
    std::unique_ptr<ShortcutService> shortcutService() override;
    std::unique_ptr<WindowFinder> windowFinder() override;
    std::unique_ptr<UncoverWatcher> uncoverWatcher() override;
    const KeyboardLayout& keyboardLayout() override;

private:
    std::unique_ptr<X11KeyboardLayout> layout_;
    // Names keys when the display can't be reached for its map.
    std::unique_ptr<KeysymKeyboardLayout> fallbackLayout_;
};
