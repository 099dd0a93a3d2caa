#pragma once

#include "platform/SessionType.h"

#include <QString>

// What this session really needs for screenshots and for tap shortcuts, in
// words: on X11 nothing (granted); on Wayland the desktop's own screenshot
// dialog, and no key events at all.
namespace PermissionTexts {

QString screenCapture(SessionType session, bool available);
QString keyEvents(SessionType session, bool available);

} // namespace PermissionTexts
