#include "platform/Platform.h"

#include "platform/NullPlatform.h"
#include "platform/PlatformChoice.h"
#include "platform/ScreenFocus.h"
#include "platform/TimedUncoverWatcher.h"
#include "platform/WindowFinder.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QFileInfo>
#include <QLibraryInfo>

#include <optional>

namespace {

struct Chosen {
    std::optional<PlatformChoice> choice;
    std::unique_ptr<Platform> platform;
};

Chosen& chosen() {
    static Chosen instance;
    return instance;
}

bool waylandPluginInstalled() {
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                             QStringLiteral("/platforms/libqwayland-generic.so"));
}

} // namespace

void Platform::choose() {
    Chosen& c = chosen();
    if (c.choice)
        return;
    c.choice = PlatformChoice::fromEnvironment(waylandPluginInstalled());
    // Qt left to itself reads only XDG_SESSION_TYPE and may land on XWayland;
    // a platform a person (or a test) set explicitly is theirs to keep.
    if (!c.choice->qtPlatform.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", c.choice->qtPlatform);
}

Platform& Platform::current() {
    choose();
    Chosen& c = chosen();
    if (!c.platform) {
        switch (c.choice->session) {
        case SessionType::x11:
            c.platform = std::make_unique<X11Platform>();
            break;
        case SessionType::wayland:
            c.platform = std::make_unique<WaylandPlatform>();
            break;
        case SessionType::none:
            c.platform = std::make_unique<NullPlatform>(c.choice->problem);
            break;
        }
    }
    return *c.platform;
}

void Platform::replace(std::unique_ptr<Platform> platform) {
    choose();
    chosen().platform = std::move(platform);
}

std::unique_ptr<WindowFinder> Platform::windowFinder() {
    return WindowFinder::unavailable();
}

std::unique_ptr<UncoverWatcher> Platform::uncoverWatcher() {
    return std::make_unique<TimedUncoverWatcher>();
}

std::unique_ptr<ScreenFocus> Platform::screenFocus() {
    return nullptr;
}
