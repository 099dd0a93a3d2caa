#include "shortcuts/DesktopShortcutEntries.h"

#include "settings/Preferences.h"

#include <QRegularExpression>

const QString DesktopShortcutEntries::regionId = QStringLiteral("zorvi-capture-region");
const QString DesktopShortcutEntries::fullScreenId = QStringLiteral("zorvi-capture-screen");

DesktopShortcutEntries::DesktopShortcutEntries(DesktopKeybindings& store, Preferences& preferences, QString program,
                                               QObject* parent)
    : QObject(parent), store_(store), preferences_(preferences), program_(std::move(program)) {
    refresh();
}

std::optional<DesktopKeybindings::Entry> DesktopShortcutEntries::entry(const QString& id) const {
    for (const DesktopKeybindings::Entry& e : entries_)
        if (e.id == id)
            return e;
    return std::nullopt;
}

QString DesktopShortcutEntries::command(const QString& option) const {
    // The desktop splits the command as a shell would.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    QString program = program_;
    if (!plain.match(program).hasMatch())
        program = QLatin1Char('\'') + program.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    return program + QLatin1Char(' ') + option;
}

namespace {

QString optionFor(const QString& id) {
    return id == DesktopShortcutEntries::regionId ? QStringLiteral("--capture-region")
                                                  : QStringLiteral("--capture-screen");
}

} // namespace

HotkeyBinding DesktopShortcutEntries::recorded(const QString& id) const {
    return id == regionId ? preferences_.regionHotkey() : preferences_.fullScreenHotkey();
}

void DesktopShortcutEntries::refresh() {
    try {
        entries_ = store_.ours();
        error_.clear();
    } catch (const DesktopKeybindingsError& e) {
        entries_.clear();
        error_ = e.description();
    }
    emit changed();
}

bool DesktopShortcutEntries::add() {
    std::vector<DesktopKeybindings::Entry> wanted;
    const std::pair<QString, QString> ours[] = {{regionId, tr("Zorvi: capture a region")},
                                                {fullScreenId, tr("Zorvi: capture the whole screen")}};
    for (const auto& [id, name] : ours) {
        const HotkeyBinding binding = recorded(id);
        if (store_.canBind(binding))
            wanted.push_back({id, name, command(optionFor(id)), binding, {}});
    }
    return write(wanted);
}

bool DesktopShortcutEntries::remove() {
    return write({});
}

bool DesktopShortcutEntries::write(const std::vector<DesktopKeybindings::Entry>& entries) {
    QString failure;
    try {
        store_.setOurs(entries);
    } catch (const DesktopKeybindingsError& e) {
        if (!e.detail().isEmpty())
            qWarning() << "zorvi: desktop shortcuts:" << e.detail();
        failure = e.description();
    }
    // What the desktop holds now, whatever came of the write.
    refresh();
    if (!failure.isEmpty()) {
        error_ = failure;
        emit changed();
    }
    return error_.isEmpty();
}

bool DesktopShortcutEntries::isBound(const QString& id) const {
    const std::optional<DesktopKeybindings::Entry> e = entry(id);
    return e && e->binding == recorded(id) && e->command == command(optionFor(id));
}
