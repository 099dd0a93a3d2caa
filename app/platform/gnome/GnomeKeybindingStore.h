#pragma once

#include "platform/DesktopKeybindings.h"

#include <QCoreApplication>

// GNOME's custom keyboard shortcuts, kept by gnome-settings-daemon in
// GSettings: the list `custom-keybindings` of the media-keys schema names a
// path per shortcut, each a relocatable `custom-keybinding` with a name, a
// command and a binding. Ours sit at paths of our own under the usual folder
// ("…/custom-keybindings/zorvi-capture-region/").
class GnomeKeybindingStore : public DesktopKeybindings {
    Q_DECLARE_TR_FUNCTIONS(GnomeKeybindingStore)
public:
    static constexpr const char* listSchema = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char* entrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr const char* folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
    // The id prefix that marks an entry as ours.
    static constexpr const char* ourPrefix = "zorvi-";

    QString settingsName() const override;
    std::vector<Entry> ours() const override;
    bool canBind(const HotkeyBinding& binding) const override;
    void setOurs(const std::vector<Entry>& entries) override;

    static QString pathFor(const QString& id);
};
