#include "platform/NullPlatform.h"

#include "platform/ActiveWindowSource.h"
#include "platform/DesktopSettingsShortcuts.h"
#include "platform/ScreenCapturer.h"

#include <QCoreApplication>

namespace {

class RefusingScreenCapturer : public ScreenCapturer {
public:
    explicit RefusingScreenCapturer(QString reason) : reason_(std::move(reason)) {}
    void grabScreens(Done, Failed failed) override { failed(CaptureError::captureFailed(reason_)); }

private:
    QString reason_;
};

} // namespace

QString NullPlatform::unavailableReason() const {
    switch (problem_) {
    case PlatformChoice::Problem::noQtWayland:
        return QCoreApplication::translate(
            "NullPlatform", "Qt's Wayland support is not installed (the qt6-wayland package), so Zorvi can't "
                            "take screenshots on this Wayland desktop.");
    case PlatformChoice::Problem::noDisplay:
    case PlatformChoice::Problem::none:
        break;
    }
    return QCoreApplication::translate("NullPlatform",
                                       "No graphical session was found (neither WAYLAND_DISPLAY nor DISPLAY is set).");
}

std::unique_ptr<ScreenCapturer> NullPlatform::screenCapturer() {
    return std::make_unique<RefusingScreenCapturer>(unavailableReason());
}

std::unique_ptr<ActiveWindowSource> NullPlatform::activeWindowSource() {
    return nullptr;
}

std::unique_ptr<ShortcutService> NullPlatform::shortcutService() {
    return std::make_unique<DesktopSettingsShortcuts>();
}
