#pragma once

#include "Records.h"

// How a device authorization's state is spelled in a database column.
inline QString authorizationStateText(DeviceAuthorization::State s) {
    switch (s) {
    case DeviceAuthorization::State::pending: return QStringLiteral("pending");
    case DeviceAuthorization::State::approved: return QStringLiteral("approved");
    case DeviceAuthorization::State::denied: return QStringLiteral("denied");
    case DeviceAuthorization::State::consumed: return QStringLiteral("consumed");
    }
    return QStringLiteral("pending");
}

inline DeviceAuthorization::State authorizationStateFrom(const QString& text) {
    if (text == QLatin1String("approved")) return DeviceAuthorization::State::approved;
    if (text == QLatin1String("denied")) return DeviceAuthorization::State::denied;
    if (text == QLatin1String("consumed")) return DeviceAuthorization::State::consumed;
    return DeviceAuthorization::State::pending;
}
