#pragma once

#include "platform/DesktopKeybindings.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class Preferences;

// The region and full-screen shortcuts as entries of the desktop's own
// keyboard settings (GNOME's custom shortcuts), running this program with
// --capture-region and --capture-screen: added, read back and removed when
// the person asks, never behind their back.
class DesktopShortcutEntries : public QObject {
    Q_OBJECT
public:
    static const QString regionId;
    static const QString fullScreenId;

    // `program` is what the entries run, as the forwarding command line names it.
    DesktopShortcutEntries(DesktopKeybindings& store, Preferences& preferences, QString program,
                           QObject* parent = nullptr);

    QString settingsName() const { return store_.settingsName(); }
    // Ours in the desktop's settings as last read.
    const std::vector<DesktopKeybindings::Entry>& entries() const { return entries_; }
    std::optional<DesktopKeybindings::Entry> entry(const QString& id) const;
    // Why the last read, add or remove failed; empty once one succeeds.
    const QString& error() const { return error_; }

    // Writes the recorded shortcuts the desktop can bind, updating ours in
    // place; one it can't bind takes ours for it out. False on failure (see error()).
    bool add();
    bool remove();
    // Reads ours again (someone may have changed them in the desktop's settings).
    void refresh();

    // Whether the recorded shortcut for `id` is in the desktop's settings
    // as recorded, running this program: pressing it captures.
    bool isBound(const QString& id) const;
    // The command an entry runs: the program (quoted where a shell would
    // split it) and the option.
    QString command(const QString& option) const;

signals:
    // After every read, add and remove, whatever came of it.
    void changed();

private:
    HotkeyBinding recorded(const QString& id) const;
    bool write(const std::vector<DesktopKeybindings::Entry>& entries);

    DesktopKeybindings& store_;
    Preferences& preferences_;
    QString program_;
    std::vector<DesktopKeybindings::Entry> entries_;
    QString error_;
};
