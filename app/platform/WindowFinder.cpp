#include "platform/WindowFinder.h"

#include "platform/SessionType.h"
#include "platform/x11/X11WindowFinder.h"

#include <QCoreApplication>

namespace {

class UnavailableWindowFinder : public WindowFinder {
public:
    std::optional<QString> whyUnavailable() const override {
        return QCoreApplication::translate("WindowFinder", "this desktop doesn't let applications pick a window; "
                                                           "capture a region around it instead.");
    }
    std::vector<DesktopWindow> windows() const override { return {}; }
};

} // namespace

std::unique_ptr<WindowFinder> WindowFinder::forSession() {
    if (currentSessionType() == SessionType::x11)
        if (std::unique_ptr<WindowFinder> finder = X11WindowFinder::connect())
            return finder;
    return unavailable();
}

std::unique_ptr<WindowFinder> WindowFinder::unavailable() {
    return std::make_unique<UnavailableWindowFinder>();
}
