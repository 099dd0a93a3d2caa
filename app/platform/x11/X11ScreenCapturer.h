#pragma once

#include "platform/ScreenCapturer.h"

#include <memory>
#include <vector>

class X11GrabSegment;

// Reads each screen's pixels from the X server (the root window under that
// screen), at the screen's device resolution.
class X11ScreenCapturer : public ScreenCapturer {
public:
    X11ScreenCapturer();
    ~X11ScreenCapturer() override;

    void grabScreens(Done done, Failed failed) override;

private:
    QImage grabThroughSharedMemory(size_t screenIndex, const QRect& nativeArea);

    // One per screen, by its place in Qt's list.
    std::vector<std::unique_ptr<X11GrabSegment>> segments_;
};
