#include "platform/ScreenCapturer.h"

#include "platform/portal/PortalScreenCapturer.h"
#include "platform/x11/X11ScreenCapturer.h"

#include <QGuiApplication>

std::unique_ptr<ScreenCapturer> ScreenCapturer::forPlatform() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11ScreenCapturer>();
    return std::make_unique<PortalScreenCapturer>();
}
