#include "PermissionTexts.h"

#include <QObject>

namespace PermissionTexts {

QString screenCapture(SessionType session, bool available) {
    if (session == SessionType::wayland)
        return available ? QObject::tr("Your desktop asks in its own dialog when you capture")
                         : QObject::tr("This desktop offers no screenshot portal");
    if (session == SessionType::none)
        return QObject::tr("No graphical session");
    return available ? QObject::tr("Granted") : QObject::tr("Not available");
}

QString keyEvents(SessionType session, bool available) {
    if (session == SessionType::wayland)
        return QObject::tr("Not on Wayland: tap and double-press shortcuts need an X11 session; plain combinations "
                           "work");
    if (session == SessionType::none)
        return QObject::tr("No graphical session");
    return available ? QObject::tr("Granted") : QObject::tr("Not available");
}

QString screenCaptureGuide(SessionType session, DesktopKind desktop) {
    if (session != SessionType::wayland)
        return QObject::tr("In an X11 session Zorvi reads the screen directly: there is nothing to grant.");
    switch (desktop) {
    case DesktopKind::gnome:
        return QObject::tr("GNOME takes each screenshot for Zorvi. The first time, it asks in its own dialog whether "
                           "Zorvi may take screenshots; allow it once and GNOME remembers.");
    case DesktopKind::kde:
        return QObject::tr("KDE Plasma takes each screenshot for Zorvi and asks in its own dialog whether this app "
                           "may take them; allow Zorvi when it asks.");
    case DesktopKind::sway:
        return QObject::tr("sway takes each screenshot for Zorvi without asking: there is nothing to grant.");
    case DesktopKind::other:
        break;
    }
    return QObject::tr("On Wayland your desktop takes each screenshot for Zorvi and may ask you to allow it in its "
                       "own dialog the first time.");
}

} // namespace PermissionTexts
