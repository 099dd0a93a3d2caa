#include "shortcuts/GlobalShortcuts.h"

#include "platform/SessionType.h"
#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotkeyRegistrar.h"
#include "platform/x11/XInputKeyEventSource.h"
#include "shell/Preferences.h"
#include "shortcuts/EventTapMonitor.h"

namespace {

// Where the desktop alone defines shortcuts: each runs a command line, which
// reaches the running app as a forwarded command. Nothing to register here.
class DesktopSettingsRegistrar : public HotkeyRegistrar {
public:
    std::unique_ptr<Registration> registerHotkey(const QString&, const QString&, uint16_t, ModifierSet,
                                                 std::function<void()>) override {
        return std::make_unique<Registration>();
    }
};

} // namespace

const QString GlobalShortcuts::keyMonitorUnavailableText = QObject::tr(
    "Tap shortcuts and double presses read the keyboard through X11's input extension, which this session "
    "doesn't offer. They need an X11 session; plain key combinations still work.");

const QString GlobalShortcuts::desktopSettingsText = QObject::tr(
    "This desktop doesn't let apps set global shortcuts. Add them in your desktop's keyboard settings with "
    "the commands \u201czorvi --capture-region\u201d and \u201czorvi --capture-screen\u201d.");

GlobalShortcuts::GlobalShortcuts(Preferences& preferences, std::function<void()> region,
                                 std::function<void()> fullScreen, QObject* parent)
    : QObject(parent), preferences_(preferences), region_(std::move(region)), fullScreen_(std::move(fullScreen)) {
    switch (currentSessionType()) {
    case SessionType::x11:
        x11Grabs_ = X11Connection::open();
        x11Keys_ = X11Connection::open();
        if (x11Grabs_ && x11Keys_) {
            mechanism_ = Mechanism::x11;
            registrar_ = std::make_unique<X11HotkeyRegistrar>(*x11Grabs_);
            keySource_ = std::make_unique<XInputKeyEventSource>(*x11Keys_, *x11Grabs_);
        }
        break;
    case SessionType::wayland:
        if (PortalHotkeyRegistrar::isAvailable()) {
            mechanism_ = Mechanism::portal;
            registrar_ = std::make_unique<PortalHotkeyRegistrar>();
        }
        break;
    case SessionType::none:
        break;
    }
    if (!registrar_)
        registrar_ = std::make_unique<DesktopSettingsRegistrar>();
    eventTap_ = std::make_unique<EventTapMonitor>(keySource_.get(),
                                                  keySource_ ? keySource_->eventClock() : Clock::system());
    // Raw key events exist on X11 or not at all; no later poll can change that.
    manager_ = std::make_unique<HotkeyManager>(*registrar_, *eventTap_, [] { return false; }, Clock::system());

    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &GlobalShortcuts::registerAll);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &GlobalShortcuts::registerAll);
    registerAll();
}

GlobalShortcuts::~GlobalShortcuts() = default;

void GlobalShortcuts::registerAll() {
    manager_->registerBinding(preferences_.regionHotkey(), HotkeyManager::Action::region, region_);
    manager_->registerBinding(preferences_.fullScreenHotkey(), HotkeyManager::Action::fullScreen, fullScreen_);
}
