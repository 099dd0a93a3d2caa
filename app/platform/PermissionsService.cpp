#include "PermissionsService.h"


#include <utility>

PermissionsService& PermissionsService::shared() {
    static PermissionsService instance;
    return instance;
}

PermissionsService::PermissionsService(Clock& clock, Platform* platform, QObject* parent)
    : QObject(parent), clock_(clock), platform_(platform ? *platform : Platform::current()),
      canMonitorKeys_(platform_.canMonitorKeys()) {
    refresh();
}

PermissionsService::~PermissionsService() = default;

void PermissionsService::refresh() {
    const bool screen = platform_.canCaptureScreen();
    if (std::exchange(canCaptureScreen_, screen) != screen)
        emit canCaptureScreenChanged(screen);
}

void PermissionsService::beginPolling() {
    if (timer_)
        return;
    // The timer belongs to the service, so its callback never outlives it.
    timer_ = clock_.start(pollInterval, true, [this] { refresh(); });
}

void PermissionsService::stopPolling() {
    timer_.reset();
}
