#pragma once

#include "platform/DesktopKeybindings.h"
#include "platform/HotkeyRegistrar.h"
#include "platform/ShortcutService.h"

#include <memory>

// Where the desktop alone defines shortcuts: each runs a command line that
// reaches the running app as a forwarded command, so there is nothing to
// register and no key feed. Where the desktop's settings can be written
// (GNOME), the app offers to add the commands there itself.
class DesktopSettingsShortcuts : public ShortcutService, private HotkeyRegistrar {
public:
    explicit DesktopSettingsShortcuts(Mechanism mechanism = Mechanism::desktopSettings,
                                      std::unique_ptr<DesktopKeybindings> keybindings = nullptr)
        : mechanism_(mechanism), keybindings_(std::move(keybindings)) {}

    Mechanism mechanism() const override { return mechanism_; }
    HotkeyRegistrar& registrar() override { return *this; }
    KeyEventSource* keyEvents() override { return nullptr; }
    DesktopKeybindings* desktopKeybindings() override { return keybindings_.get(); }

private:
    std::unique_ptr<Registration> registerHotkey(const QString&, const QString&, uint16_t, ModifierSet,
                                                 std::function<void()>) override {
        return std::make_unique<Registration>();
    }

    Mechanism mechanism_;
    std::unique_ptr<DesktopKeybindings> keybindings_;
};
