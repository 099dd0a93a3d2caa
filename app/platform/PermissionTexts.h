#pragma once

#include "platform/DesktopKind.h"
#include "platform/SessionType.h"

#include <QString>

// What this session really needs for screenshots and for tap shortcuts, in
// words: on X11 nothing (granted); on Wayland the desktop's own screenshot
// dialog, and no key events at all.
namespace PermissionTexts {

QString screenCapture(SessionType session, bool available);
QString keyEvents(SessionType session, bool available);
// How this desktop guards screenshots, for the first-run guide: GNOME asks
// once in its own dialog, KDE asks for each app, sway never asks, X11 has
// nothing to grant.
QString screenCaptureGuide(SessionType session, DesktopKind desktop);

} // namespace PermissionTexts
