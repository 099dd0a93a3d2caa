#include "shortcuts/GlobalShortcuts.h"

#include "platform/DesktopCommand.h"
#include "platform/KeyEventSource.h"

#include "settings/Preferences.h"
#include "shortcuts/DesktopShortcutEntries.h"
#include "shortcuts/KeyEventMonitor.h"

const QString GlobalShortcuts::keyMonitorUnavailableText = QObject::tr(
    "Tap shortcuts and double presses read the keyboard through X11's input extension, which this session "
    "doesn't offer. They need an X11 session; plain key combinations still work.");

const QString GlobalShortcuts::desktopSettingsText = QObject::tr(
    "This desktop doesn't let apps set global shortcuts. Add them in your desktop's keyboard settings with "
    "the commands \u201czorvi --capture-region\u201d and \u201czorvi --capture-screen\u201d.");

GlobalShortcuts::GlobalShortcuts(Preferences& preferences, std::unique_ptr<ShortcutService> service,
                                 std::function<void()> region, std::function<void()> fullScreen, QObject* parent)
    : QObject(parent), preferences_(preferences), region_(std::move(region)), fullScreen_(std::move(fullScreen)),
      service_(std::move(service)) {
    KeyEventSource* keys = service_->keyEvents();
    keyMonitor_ = std::make_unique<KeyEventMonitor>(keys, keys ? keys->eventClock() : Clock::system());
    manager_ = std::make_unique<HotkeyManager>(service_->registrar(), *keyMonitor_);

    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &GlobalShortcuts::registerAll);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &GlobalShortcuts::registerAll);
    registerAll();

    if (DesktopKeybindings* store = service_->desktopKeybindings()) {
        // The `zorvi` command that starts this app (it hands the press over
        // without loading Qt); a copy outside PATH runs itself.
        desktopEntries_ = std::make_unique<DesktopShortcutEntries>(*store, preferences_, DesktopCommand::program());
        connect(desktopEntries_.get(), &DesktopShortcutEntries::changed, this, &GlobalShortcuts::recheckWorks);
    }
    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &GlobalShortcuts::recheckWorks);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &GlobalShortcuts::recheckWorks);
    regionWorks_ = computeWorks(HotkeyManager::Action::region);
    fullScreenWorks_ = computeWorks(HotkeyManager::Action::fullScreen);
}

GlobalShortcuts::~GlobalShortcuts() = default;

void GlobalShortcuts::registerAll() {
    manager_->registerBinding(preferences_.regionHotkey(), HotkeyManager::Action::region, region_);
    manager_->registerBinding(preferences_.fullScreenHotkey(), HotkeyManager::Action::fullScreen, fullScreen_);
}

bool GlobalShortcuts::works(HotkeyManager::Action action) const {
    return action == HotkeyManager::Action::region ? regionWorks_ : fullScreenWorks_;
}

bool GlobalShortcuts::computeWorks(HotkeyManager::Action action) const {
    switch (service_->mechanism()) {
    case Mechanism::x11:
    case Mechanism::portal:
        return true;
    case Mechanism::desktopSettings:
        return desktopEntries_ &&
               desktopEntries_->isBound(action == HotkeyManager::Action::region ? DesktopShortcutEntries::regionId
                                                                                : DesktopShortcutEntries::fullScreenId);
    case Mechanism::swayConfig:
        return false;
    }
    return false;
}

void GlobalShortcuts::recheckWorks() {
    const bool region = computeWorks(HotkeyManager::Action::region);
    const bool fullScreen = computeWorks(HotkeyManager::Action::fullScreen);
    if (region == regionWorks_ && fullScreen == fullScreenWorks_)
        return;
    regionWorks_ = region;
    fullScreenWorks_ = fullScreen;
    emit worksChanged();
}
