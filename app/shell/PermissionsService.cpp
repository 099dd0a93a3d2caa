#include "shell/PermissionsService.h"

#include "platform/SessionType.h"
#include "platform/portal/ScreenshotPortal.h"

#include <utility>

PermissionsService& PermissionsService::shared() {
    static PermissionsService instance;
    return instance;
}

PermissionsService::PermissionsService(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {
    refresh();
}

PermissionsService::~PermissionsService() = default;

void PermissionsService::refresh() {
    bool screen = false;
    bool keys = false;
    switch (currentSessionType()) {
    case SessionType::x11:
        screen = true;
        keys = true;
        break;
    case SessionType::wayland:
        screen = ScreenshotPortal::isAvailable();
        break;
    case SessionType::none:
        break;
    }
    if (std::exchange(hasScreenRecording_, screen) != screen)
        emit hasScreenRecordingChanged(screen);
    if (std::exchange(hasAccessibility_, keys) != keys)
        emit hasAccessibilityChanged(keys);
}

void PermissionsService::requestScreenRecording() {
    refresh();
}

void PermissionsService::requestAccessibility() {
    refresh();
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
