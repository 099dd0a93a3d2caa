#pragma once

#include "keys/ModifierSet.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The session's system-wide shortcut service (a key grab on X11).
class HotkeyRegistrar {
public:
    // A live registration; destroying it releases the shortcut.
    class Registration {
    public:
        virtual ~Registration() = default;
    };

    virtual ~HotkeyRegistrar() = default;

    // Registers the combination so `handler` runs from the event loop on each
    // press. Null when the session refuses, typically because another
    // application already owns the combination. `id` names the shortcut
    // ("region") and `description` says what it does, for desktops that
    // list the shortcuts apps asked for.
    virtual std::unique_ptr<Registration> registerHotkey(const QString& id, const QString& description,
                                                         uint16_t keyCode, ModifierSet modifiers,
                                                         std::function<void()> handler) = 0;
};
