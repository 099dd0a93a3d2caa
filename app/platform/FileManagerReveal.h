#pragma once

#include <QString>

// Shows a file selected in the desktop's file manager.
namespace FileManagerReveal {

// Asks org.freedesktop.FileManager1 to show the item; without one on the
// bus, opens the folder that holds it. False when neither worked.
bool showItem(const QString& absolutePath);

} // namespace FileManagerReveal
