#include "DesktopNotifier.h"

#include "freedesktop/FreedesktopNotifier.h"

std::unique_ptr<DesktopNotifier> DesktopNotifier::forSession() {
    return std::make_unique<FreedesktopNotifier>();
}
