#pragma once

#include "platform/KeysymKeyboardLayout.h"
#include "platform/Platform.h"
#include "platform/PlatformChoice.h"

// No session the app can capture from; every capture fails with the reason.
class NullPlatform : public Platform {
public:
    explicit NullPlatform(PlatformChoice::Problem problem) : problem_(problem) {}

    SessionType session() const override { return SessionType::none; }
    QString unavailableReason() const override;
    std::unique_ptr<ScreenCapturer> screenCapturer() override;
    bool canCaptureScreen() override { return false; }
    bool canMonitorKeys() override { return false; }
    std::unique_ptr<ActiveWindowSource> activeWindowSource() override;
    std::unique_ptr<ShortcutService> shortcutService() override;
    const KeyboardLayout& keyboardLayout() override { return layout_; }

private:
    PlatformChoice::Problem problem_;
    KeysymKeyboardLayout layout_;
};
