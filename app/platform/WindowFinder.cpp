#include "platform/WindowFinder.h"


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

std::unique_ptr<WindowFinder> WindowFinder::unavailable() {
    return std::make_unique<UnavailableWindowFinder>();
}
