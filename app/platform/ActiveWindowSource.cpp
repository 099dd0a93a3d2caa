#include "platform/ActiveWindowSource.h"

#include "platform/SessionType.h"
#include "platform/x11/X11ActiveWindowSource.h"

std::unique_ptr<ActiveWindowSource> ActiveWindowSource::forSession() {
    if (currentSessionType() != SessionType::x11)
        return nullptr;
    return X11ActiveWindowSource::connect();
}
