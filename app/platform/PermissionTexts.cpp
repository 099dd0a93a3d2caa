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

} // namespace PermissionTexts
