#pragma once

#include "SwayDesktop.h"
#include "support/WaylandCaptureFixture.h"

// Captures in the headless sway session the test program runs in.
class SwayCaptureTest : public WaylandCaptureFixture {
protected:
    WaylandDesktop& desktop() override { return sway; }
    SwayDesktop sway;
};
