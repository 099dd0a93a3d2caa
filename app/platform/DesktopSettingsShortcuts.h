#pragma once

#include "platform/HotkeyRegistrar.h"
#include "platform/ShortcutService.h"

// Where the desktop alone defines shortcuts: each runs a command line that
// reaches the running app as a forwarded command, so there is nothing to
// register and no key feed.
class DesktopSettingsShortcuts : public ShortcutService, private HotkeyRegistrar {
public:
    explicit DesktopSettingsShortcuts(Mechanism mechanism = Mechanism::desktopSettings) : mechanism_(mechanism) {}

    Mechanism mechanism() const override { return mechanism_; }
    HotkeyRegistrar& registrar() override { return *this; }
    KeyEventSource* keyEvents() override { return nullptr; }

private:
    std::unique_ptr<Registration> registerHotkey(const QString&, const QString&, uint16_t, ModifierSet,
                                                 std::function<void()>) override {
        return std::make_unique<Registration>();
    }

    Mechanism mechanism_;
};
