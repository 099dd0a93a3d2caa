#pragma once

#include <QString>

// Starting Zorvi when the user logs in: an entry in the XDG autostart folder
// ($XDG_CONFIG_HOME/autostart), the desktop-independent way.
namespace Autostart {

QString entryPath();
bool isEnabled();
// Writes or removes the entry; false with `error` set when that failed.
bool setEnabled(bool enabled, QString* error = nullptr);

} // namespace Autostart
