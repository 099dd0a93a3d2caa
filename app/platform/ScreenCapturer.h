#pragma once

#include "capture/CaptureError.h"
#include "platform/ScreenFrame.h"

#include <functional>
#include <vector>

// Pictures every screen at once, so the region overlay can show a frozen
// desktop and crops come from that picture, never from the live screen.
class ScreenCapturer {
public:
    using Done = std::function<void(std::vector<ScreenFrame>)>;
    using Failed = std::function<void(const CaptureError&)>;

    virtual ~ScreenCapturer() = default;

    // Calls exactly one of the two back, on the main thread; possibly before returning.
    virtual void grabScreens(Done done, Failed failed) = 0;
};
