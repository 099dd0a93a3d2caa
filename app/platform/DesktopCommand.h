#pragma once

#include <QString>

namespace DesktopCommand {

// The program a desktop shortcut or the login autostart runs to reach this
// app: the `zorvi` command that starts it, which hands a command over without
// loading Qt, or, for a copy of the app outside its installed place, the app
// itself.
QString program();

} // namespace DesktopCommand
