#include "platform/kwin/KWinActiveWindowSource.h"

#include "platform/kwin/KWinActiveWindowTracker.h"

KWinActiveWindowSource::KWinActiveWindowSource() : tracker_(KWinActiveWindowTracker::shared()) {}

KWinActiveWindowSource::~KWinActiveWindowSource() = default;

std::optional<ActiveWindow> KWinActiveWindowSource::activeWindow() const {
    return tracker_->activeWindow();
}

bool KWinActiveWindowSource::isTracking() const {
    return tracker_->isTracking();
}
