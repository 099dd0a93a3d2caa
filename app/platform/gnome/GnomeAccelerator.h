#pragma once

#include "keys/HotkeyBinding.h"

#include <QString>

#include <optional>

// Shortcuts in the syntax GNOME keeps them in ("<Alt><Shift>2",
// "<Control><Super>F5"): modifiers in angle brackets, then the key's X keysym name.
namespace GnomeAccelerator {

// Empty for what GNOME can't bind: a tap of modifiers alone, a double or
// triple press, a key with no X keysym.
QString fromBinding(const HotkeyBinding& binding);
// Any order and spelling of modifiers GNOME reads ("<Ctrl>", "<Primary>",
// "<Mod1>"); nothing for a key the app can't record or an empty binding.
std::optional<HotkeyBinding> toBinding(const QString& accelerator);

} // namespace GnomeAccelerator
