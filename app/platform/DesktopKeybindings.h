#pragma once

#include "common/ZorviError.h"
#include "keys/HotkeyBinding.h"

#include <QString>

#include <vector>

// Raised when the desktop's keyboard settings can't be read or changed; the
// description says why in words a person can act on.
class DesktopKeybindingsError : public ZorviError {
public:
    DesktopKeybindingsError(QString description, QString detail = {})
        : ZorviError(std::move(description)), detail_(std::move(detail)) {}
    QString detail() const override { return detail_; }

private:
    QString detail_;
};

// The desktop's own list of custom keyboard shortcuts (GNOME Settings ›
// Keyboard › Custom Shortcuts), for desktops that let no app bind a global
// shortcut itself. The app reads and writes only the entries it made: every
// other entry, and the order of the list, stay as the person left them.
class DesktopKeybindings {
public:
    struct Entry {
        // Stable across versions, so a later write finds and updates what an
        // earlier one made; it starts with "zorvi-", which is how ours are
        // told from everyone else's ("zorvi-capture-region").
        QString id;
        // What the desktop's settings list shows.
        QString name;
        QString command;
        // What to press; nothing when the desktop holds keys the app can't
        // record (its settings may have been edited by hand).
        std::optional<HotkeyBinding> binding;
        // The keys as the desktop spells them ("<Alt><Shift>2"): read back,
        // never needed for a write.
        QString accelerator;

        bool operator==(const Entry&) const = default;
    };

    virtual ~DesktopKeybindings() = default;

    // The desktop's settings as a person knows them ("GNOME Settings").
    virtual QString settingsName() const = 0;
    // Ours among the desktop's entries now, in the desktop's order.
    // Throws DesktopKeybindingsError.
    virtual std::vector<Entry> ours() const = 0;
    // Whether the desktop can run a command on this shortcut (GNOME binds
    // plain combinations, never a modifier tapped or a double press).
    virtual bool canBind(const HotkeyBinding& binding) const = 0;
    // Makes ours exactly `entries`: new ids are appended to the desktop's
    // list, known ones are changed in place, ours not named are taken out.
    // Throws DesktopKeybindingsError, having changed nothing where it can,
    // and for a binding the desktop can't express.
    virtual void setOurs(const std::vector<Entry>& entries) = 0;
};
