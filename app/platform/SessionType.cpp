#include "platform/SessionType.h"

#include <QString>
#include <QtGlobal>

SessionType currentSessionType() {
    const QString declared = qEnvironmentVariable("XDG_SESSION_TYPE").toLower();
    if (declared == QLatin1String("wayland"))
        return SessionType::wayland;
    if (declared == QLatin1String("x11"))
        return SessionType::x11;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return SessionType::wayland;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return SessionType::x11;
    return SessionType::none;
}
