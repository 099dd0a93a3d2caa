#pragma once

#include "Appearance.h"
#include "keys/HotkeyBinding.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

// The user's settings, kept in $XDG_CONFIG_HOME/Zorvi/Zorvi.conf. Every
// property is written through at once and announced with its own signal.
// Settings of the earlier Kestad application are imported once.
class Preferences : public QObject {
    Q_OBJECT
public:
    static const HotkeyBinding defaultRegionHotkey;
    static const HotkeyBinding defaultFullScreenHotkey;

    // The file used by the shared instance, and the legacy one it imports.
    static QString settingsPath();
    static QString legacySettingsPath();

    static Preferences& shared();

    Preferences(const QString& path, const QString& legacyPath, QObject* parent = nullptr);
    ~Preferences() override;

    HotkeyBinding regionHotkey() const { return regionHotkey_; }
    HotkeyBinding fullScreenHotkey() const { return fullScreenHotkey_; }
    bool hasCompletedOnboarding() const { return hasCompletedOnboarding_; }
    bool playCaptureSound() const { return playCaptureSound_; }
    bool copyToClipboard() const { return copyToClipboard_; }
    bool captureURLs() const { return captureURLs_; }
    bool showTrayIcon() const { return showTrayIcon_; }
    bool openDashboardAfterSave() const { return openDashboardAfterSave_; }
    // Desktop notices when an agent acts on your captures or sync needs you.
    bool showDesktopNotices() const { return showDesktopNotices_; }
    // A dragged region keeps handles for adjusting it until Enter; off, the note box comes at once.
    bool adjustRegionWithHandles() const { return adjustRegionWithHandles_; }
    std::optional<QString> defaultGroupID() const { return defaultGroupID_; }
    Appearance appearance() const { return appearance_; }

    void setRegionHotkey(const HotkeyBinding& binding);
    void setFullScreenHotkey(const HotkeyBinding& binding);
    void setHasCompletedOnboarding(bool value);
    void setPlayCaptureSound(bool value);
    void setCopyToClipboard(bool value);
    void setCaptureURLs(bool value);
    void setShowTrayIcon(bool value);
    void setOpenDashboardAfterSave(bool value);
    void setShowDesktopNotices(bool value);
    void setAdjustRegionWithHandles(bool value);
    void setDefaultGroupID(const std::optional<QString>& groupID);
    void setAppearance(Appearance appearance);

    // The same store, for parts that keep keys of their own (the markup
    // editor's tool, colour and width).
    QSettings& store() { return store_; }

signals:
    void regionHotkeyChanged(const HotkeyBinding& binding);
    void fullScreenHotkeyChanged(const HotkeyBinding& binding);
    void hasCompletedOnboardingChanged(bool value);
    void playCaptureSoundChanged(bool value);
    void copyToClipboardChanged(bool value);
    void captureURLsChanged(bool value);
    void showTrayIconChanged(bool value);
    void openDashboardAfterSaveChanged(bool value);
    void showDesktopNoticesChanged(bool value);
    void adjustRegionWithHandlesChanged(bool value);
    void defaultGroupIDChanged(const std::optional<QString>& groupID);
    void appearanceChanged(Appearance appearance);

private:
    void importLegacyDefaultsIfNeeded(const QString& legacyPath);
    // The stored value, or the registered default when the key is missing.
    bool readBool(const char* key) const;
    std::optional<HotkeyBinding> load(const char* key) const;
    // Each setter: announce a change, then write the value through.
    void updateBool(bool& field, bool value, const char* key, void (Preferences::*changed)(bool));
    void updateBinding(HotkeyBinding& field, const HotkeyBinding& binding, const char* key,
                       void (Preferences::*changed)(const HotkeyBinding&));
    void writeDefaultGroupID();

    QSettings store_;
    HotkeyBinding regionHotkey_;
    HotkeyBinding fullScreenHotkey_;
    bool hasCompletedOnboarding_ = false;
    bool playCaptureSound_ = true;
    bool copyToClipboard_ = false;
    bool captureURLs_ = false;
    bool showTrayIcon_ = true;
    bool openDashboardAfterSave_ = false;
    bool showDesktopNotices_ = true;
    bool adjustRegionWithHandles_ = false;
    std::optional<QString> defaultGroupID_;
    Appearance appearance_ = Appearance::system;
};
