#pragma once

class DesktopKeybindings;
class HotkeyRegistrar;
class KeyEventSource;

// How system-wide shortcuts reach the app in this session: the registrar
// that binds combinations and, where the session has one, a feed of raw key
// events for tap and multi-press triggers.
class ShortcutService {
public:
    // Key grabs on X11, the GlobalShortcuts portal, or only the desktop's own
    // keyboard settings running `zorvi --capture-region` (on sway, `bindsym`
    // lines in its configuration).
    enum class Mechanism { x11, portal, desktopSettings, swayConfig };

    virtual ~ShortcutService() = default;

    virtual Mechanism mechanism() const = 0;
    virtual HotkeyRegistrar& registrar() = 0;
    // Null where the session can't deliver raw key events.
    virtual KeyEventSource* keyEvents() = 0;
    // Where the desktop's own shortcut settings can be written for the
    // person (GNOME's custom shortcuts); null where they can't.
    virtual DesktopKeybindings* desktopKeybindings() { return nullptr; }
};
