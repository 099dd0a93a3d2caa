#include "platform/wayland/WaylandPlatform.h"

#include "platform/ActiveWindowSource.h"
#include "platform/DesktopSettingsShortcuts.h"
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
    return std::make_unique<DesktopSettingsShortcuts>();
}
