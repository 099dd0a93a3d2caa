#pragma once

#include "keys/HotkeyBinding.h"

#include <QString>

// The lines a sway user pastes into their configuration so the recorded
// shortcuts run `zorvi --capture-region` and `zorvi --capture-screen`:
// "bindsym Mod1+Shift+2 exec zorvi --capture-region". sway binds plain
// combinations only: a tap trigger or a double press gives no line.
namespace SwayBindings {

QString line(const HotkeyBinding& binding, const QString& command);
QString lines(const HotkeyBinding& region, const HotkeyBinding& fullScreen);

} // namespace SwayBindings
