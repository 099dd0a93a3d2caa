#include "platform/wayland/WaylandPlatform.h"

#include "platform/ActiveWindowSource.h"
#include "platform/DesktopKind.h"
#include "platform/DesktopSettingsShortcuts.h"
#include "platform/gnome/GnomeKeybindingStore.h"
#include "platform/kwin/KWinActiveWindowSource.h"
#include "platform/kwin/KWinScreenFocus.h"
#include "platform/kwin/KWinScript.h"
#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/portal/PortalScreenCapturer.h"
#include "platform/portal/ScreenshotPortal.h"
#include "platform/sway/SwayActiveWindowSource.h"
#include "platform/sway/SwayIpc.h"
#include "platform/sway/SwayScreenFocus.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

class PortalShortcuts : public ShortcutService {
public:
    Mechanism mechanism() const override { return Mechanism::portal; }
    HotkeyRegistrar& registrar() override { return registrar_; }
    KeyEventSource* keyEvents() override { return nullptr; }

private:
    PortalHotkeyRegistrar registrar_;
};

// Wayland reports the pointer only over our own windows, so a compositor
// that names no focused output gets its primary one captured.
class PrimaryScreen : public ScreenFocus {
public:
    std::optional<QString> focusedScreen() const override {
        const QScreen* primary = QGuiApplication::primaryScreen();
        return primary ? std::optional<QString>(primary->name()) : std::nullopt;
    }
};

} // namespace

std::unique_ptr<ScreenCapturer> WaylandPlatform::screenCapturer() {
    return std::make_unique<PortalScreenCapturer>();
}

bool WaylandPlatform::canCaptureScreen() {
    return ScreenshotPortal::isAvailable();
}

std::unique_ptr<ActiveWindowSource> WaylandPlatform::activeWindowSource() {
    if (SwayIpc::isAvailable())
        return std::make_unique<SwayActiveWindowSource>();
    if (KWinScript::isAvailable())
        return std::make_unique<KWinActiveWindowSource>();
    return nullptr;
}

std::unique_ptr<ScreenFocus> WaylandPlatform::screenFocus() {
    if (SwayIpc::isAvailable())
        return std::make_unique<SwayScreenFocus>();
    if (KWinScript::isAvailable())
        return std::make_unique<KWinScreenFocus>();
    return std::make_unique<PrimaryScreen>();
}

std::unique_ptr<ShortcutService> WaylandPlatform::shortcutService() {
    if (PortalHotkeyRegistrar::isAvailable())
        return std::make_unique<PortalShortcuts>();
    if (SwayIpc::isAvailable())
        return std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::swayConfig);
    // GNOME Classic and derivatives ("ubuntu:GNOME") keep
    // gnome-settings-daemon's shortcuts too.
    if (currentDesktop() == DesktopKind::gnome)
        return std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::desktopSettings,
                                                          std::make_unique<GnomeKeybindingStore>());
    return std::make_unique<DesktopSettingsShortcuts>();
}
