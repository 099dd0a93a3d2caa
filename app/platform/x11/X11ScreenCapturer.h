#pragma once

#include "platform/ScreenCapturer.h"

// Reads each screen's pixels from the X server (the root window under that
// screen), at the screen's device resolution.
class X11ScreenCapturer : public ScreenCapturer {
public:
    void grabScreens(Done done, Failed failed) override;
};
