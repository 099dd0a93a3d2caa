#include "platform/wayland/WaylandPlatform.h"

#include "platform/ActiveWindowSource.h"
#include "platform/DesktopSettingsShortcuts.h"
#include "platform/gnome/GnomeKeybindingStore.h"
#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/portal/PortalScreenCapturer.h"
#include "platform/portal/ScreenshotPortal.h"

namespace {

class PortalShortcuts : public ShortcutService {
public:
    Mechanism mechanism() const override { return Mechanism::portal; }
    HotkeyRegistrar& registrar() override { return registrar_; }
    KeyEventSource* keyEvents() override { return nullptr; }

private:
    PortalHotkeyRegistrar registrar_;
};

} // namespace

std::unique_ptr<ScreenCapturer> WaylandPlatform::screenCapturer() {
    return std::make_unique<PortalScreenCapturer>();
}

bool WaylandPlatform::canCaptureScreen() {
    return ScreenshotPortal::isAvailable();
}

std::unique_ptr<ActiveWindowSource> WaylandPlatform::activeWindowSource() {
    return nullptr;
}

std::unique_ptr<ShortcutService> WaylandPlatform::shortcutService() {
    if (PortalHotkeyRegistrar::isAvailable())
        return std::make_unique<PortalShortcuts>();
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::swayConfig);
    // XDG_CURRENT_DESKTOP is a list ("ubuntu:GNOME"); GNOME Classic and
    // derivatives keep gnome-settings-daemon's shortcuts too.
    const QList<QByteArray> desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower().split(':');
    if (desktops.contains("gnome"))
        return std::make_unique<DesktopSettingsShortcuts>(ShortcutService::Mechanism::desktopSettings,
                                                          std::make_unique<GnomeKeybindingStore>());
    return std::make_unique<DesktopSettingsShortcuts>();
}
