#pragma once

#include "platform/KeysymKeyboardLayout.h"
#include "platform/Platform.h"

// A Wayland session: screenshots through the desktop portal, shortcuts through
// the GlobalShortcuts portal where the desktop offers it (else the desktop's
// own settings), the active window where the compositor tells.
class WaylandPlatform : public Platform {
public:
    SessionType session() const override { return SessionType::wayland; }
    std::unique_ptr<ScreenCapturer> screenCapturer() override;
    bool canCaptureScreen() override;
    bool canMonitorKeys() override { return false; }
    std::unique_ptr<ActiveWindowSource> activeWindowSource() override;
    std::unique_ptr<ScreenFocus> screenFocus() override;
    std::unique_ptr<ShortcutService> shortcutService() override;
    const KeyboardLayout& keyboardLayout() override { return layout_; }

private:
    KeysymKeyboardLayout layout_;
};
