#include "Preferences.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

constexpr const char* regionKey = "hotkey.region";
constexpr const char* fullScreenKey = "hotkey.fullScreen";
constexpr const char* onboardingKey = "onboarding.completed";
constexpr const char* soundKey = "capture.sound";
constexpr const char* clipboardKey = "capture.copyToClipboard";
constexpr const char* urlsKey = "capture.collectURLs";
constexpr const char* trayIconKey = "ui.menuBarIcon";
constexpr const char* launchAtLoginKey = "ui.launchAtLogin";
constexpr const char* defaultGroupKey = "capture.defaultGroupID";
constexpr const char* legacyDefaultGroupKey = "capture.defaultProjectID";
constexpr const char* openDashboardKey = "capture.openDashboardAfterSave";
constexpr const char* desktopNoticesKey = "notifications.desktop";
constexpr const char* regionHandlesKey = "capture.regionHandles";
constexpr const char* appearanceKey = "ui.appearance";
constexpr const char* importedLegacyKey = "migration.importedLegacyDefaults";

// Keys read as these values while missing. "onboarding.completed" is left
// out on purpose: it reads false until onboarding finishes.
struct RegisteredDefault {
    const char* key;
    bool value;
};
constexpr RegisteredDefault registeredDefaults[] = {
    {soundKey, true}, {clipboardKey, false}, {urlsKey, false}, {trayIconKey, true}, {openDashboardKey, false},
    {desktopNoticesKey, true}, {regionHandlesKey, false},
};

constexpr const char* legacyKeys[] = {
    regionKey, fullScreenKey, onboardingKey, soundKey, clipboardKey, urlsKey,
    trayIconKey, launchAtLoginKey, defaultGroupKey, legacyDefaultGroupKey, openDashboardKey,
};

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty())
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

const HotkeyBinding Preferences::defaultRegionHotkey{19, ModifierSet::option() | ModifierSet::shift(), 1};
const HotkeyBinding Preferences::defaultFullScreenHotkey{20, ModifierSet::option() | ModifierSet::shift(), 1};

QString Preferences::settingsPath() {
    return configHome() + QStringLiteral("/Zorvi/Zorvi.conf");
}

QString Preferences::legacySettingsPath() {
    return configHome() + QStringLiteral("/Kestad/Kestad.conf");
}

Preferences& Preferences::shared() {
    static Preferences instance(settingsPath(), legacySettingsPath());
    return instance;
}

Preferences::Preferences(const QString& path, const QString& legacyPath, QObject* parent)
    : QObject(parent), store_(path, QSettings::IniFormat) {
    importLegacyDefaultsIfNeeded(legacyPath);

    // Unreadable data falls back in memory only; the stored bytes stay as they are.
    regionHotkey_ = load(regionKey).value_or(defaultRegionHotkey);
    fullScreenHotkey_ = load(fullScreenKey).value_or(defaultFullScreenHotkey);

    hasCompletedOnboarding_ = readBool(onboardingKey);
    playCaptureSound_ = readBool(soundKey);
    copyToClipboard_ = readBool(clipboardKey);
    captureURLs_ = readBool(urlsKey);
    showTrayIcon_ = readBool(trayIconKey);
    openDashboardAfterSave_ = readBool(openDashboardKey);
    showDesktopNotices_ = readBool(desktopNoticesKey);
    adjustRegionWithHandles_ = readBool(regionHandlesKey);
    appearance_ = appearanceFromRaw(store_.value(key(appearanceKey)).toString());

    // The default group used to be called a project; a value found only under
    // the old key moves to the new one (the old key stays for older versions).
    for (const char* name : {defaultGroupKey, legacyDefaultGroupKey}) {
        if (store_.contains(key(name))) {
            defaultGroupID_ = store_.value(key(name)).toString();
            break;
        }
    }
    writeDefaultGroupID();
}

Preferences::~Preferences() = default;

void Preferences::importLegacyDefaultsIfNeeded(const QString& legacyPath) {
    if (store_.value(key(importedLegacyKey)).toBool())
        return;
    if (QFileInfo::exists(legacyPath)) {
        QSettings legacy(legacyPath, QSettings::IniFormat);
        if (legacy.status() == QSettings::NoError) {
            for (const char* name : legacyKeys) {
                if (!store_.contains(key(name)) && legacy.contains(key(name)))
                    store_.setValue(key(name), legacy.value(key(name)));
            }
        }
    }
    store_.setValue(key(importedLegacyKey), true);
    store_.sync();
}

bool Preferences::readBool(const char* name) const {
    bool fallback = false;
    for (const RegisteredDefault& registered : registeredDefaults) {
        if (qstrcmp(registered.key, name) == 0)
            fallback = registered.value;
    }
    return store_.value(key(name), fallback).toBool();
}

std::optional<HotkeyBinding> Preferences::load(const char* name) const {
    const QVariant value = store_.value(key(name));
    if (value.typeId() != QMetaType::QByteArray && value.typeId() != QMetaType::QString)
        return std::nullopt;
    try {
        return HotkeyBinding::fromJsonData(value.toByteArray());
    } catch (const HotkeyBindingError&) {
        return std::nullopt;
    }
}

void Preferences::writeDefaultGroupID() {
    if (defaultGroupID_)
        store_.setValue(key(defaultGroupKey), *defaultGroupID_);
    else
        store_.remove(key(defaultGroupKey));
    store_.sync();
}

void Preferences::updateBool(bool& field, bool value, const char* name, void (Preferences::*changed)(bool)) {
    if (std::exchange(field, value) != value)
        emit (this->*changed)(value);
    store_.setValue(key(name), value);
    store_.sync();
}

void Preferences::updateBinding(HotkeyBinding& field, const HotkeyBinding& binding, const char* name,
                                void (Preferences::*changed)(const HotkeyBinding&)) {
    if (std::exchange(field, binding) != binding)
        emit (this->*changed)(binding);
    store_.setValue(key(name), binding.toJsonData());
    store_.sync();
}

void Preferences::setRegionHotkey(const HotkeyBinding& binding) {
    updateBinding(regionHotkey_, binding, regionKey, &Preferences::regionHotkeyChanged);
}

void Preferences::setFullScreenHotkey(const HotkeyBinding& binding) {
    updateBinding(fullScreenHotkey_, binding, fullScreenKey, &Preferences::fullScreenHotkeyChanged);
}

void Preferences::setHasCompletedOnboarding(bool value) {
    updateBool(hasCompletedOnboarding_, value, onboardingKey, &Preferences::hasCompletedOnboardingChanged);
}

void Preferences::setPlayCaptureSound(bool value) {
    updateBool(playCaptureSound_, value, soundKey, &Preferences::playCaptureSoundChanged);
}

void Preferences::setCopyToClipboard(bool value) {
    updateBool(copyToClipboard_, value, clipboardKey, &Preferences::copyToClipboardChanged);
}

void Preferences::setCaptureURLs(bool value) {
    updateBool(captureURLs_, value, urlsKey, &Preferences::captureURLsChanged);
}

void Preferences::setShowTrayIcon(bool value) {
    updateBool(showTrayIcon_, value, trayIconKey, &Preferences::showTrayIconChanged);
}

void Preferences::setOpenDashboardAfterSave(bool value) {
    updateBool(openDashboardAfterSave_, value, openDashboardKey, &Preferences::openDashboardAfterSaveChanged);
}

void Preferences::setShowDesktopNotices(bool value) {
    updateBool(showDesktopNotices_, value, desktopNoticesKey, &Preferences::showDesktopNoticesChanged);
}

void Preferences::setAdjustRegionWithHandles(bool value) {
    updateBool(adjustRegionWithHandles_, value, regionHandlesKey, &Preferences::adjustRegionWithHandlesChanged);
}

void Preferences::setDefaultGroupID(const std::optional<QString>& groupID) {
    if (std::exchange(defaultGroupID_, groupID) != groupID)
        emit defaultGroupIDChanged(groupID);
    writeDefaultGroupID();
}

void Preferences::setAppearance(Appearance appearance) {
    if (std::exchange(appearance_, appearance) != appearance)
        emit appearanceChanged(appearance);
    store_.setValue(key(appearanceKey), rawValue(appearance));
    store_.sync();
}
