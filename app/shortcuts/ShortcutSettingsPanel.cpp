#include "shortcuts/ShortcutSettingsPanel.h"

#include "settings/Preferences.h"
#include "shortcuts/DesktopShortcutEntries.h"
#include "shortcuts/DesktopShortcutEntriesView.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/HotkeyRecorderView.h"
#include "shortcuts/SwayBindings.h"

#include <QLabel>
#include <QVBoxLayout>

ShortcutSettingsPanel::ShortcutSettingsPanel(GlobalShortcuts& shortcuts, Preferences& preferences,
                                               QWidget* parent)
    : QWidget(parent), shortcuts_(shortcuts), preferences_(preferences),
      region_(new HotkeyRecorderView(tr("Capture a region"), {}, this)),
      fullScreen_(new HotkeyRecorderView(tr("Capture the whole screen"), {}, this)), notice_(new QLabel(this)) {
    setWindowTitle(tr("Shortcuts")); // when shown on its own
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(region_);
    layout->addWidget(fullScreen_);
    notice_->setObjectName(QStringLiteral("shortcutNotice"));
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(notice_);
    if (DesktopShortcutEntries* entries = shortcuts_.desktopEntries())
        layout->addWidget(new DesktopShortcutEntriesView(*entries, preferences_, this));
    layout->addStretch();

    HotkeyManager& manager = shortcuts_.manager();
    auto bind = [this, &manager](HotkeyRecorderView* view, void (Preferences::*set)(const HotkeyBinding&)) {
        // Pressing the current shortcut while recording must record it, not fire it.
        connect(view, &HotkeyRecorderView::recordingChanged, &manager, &HotkeyManager::setSuspended);
        connect(view, &HotkeyRecorderView::bindingCommitted, this, [this, set](const HotkeyBinding& binding) {
            (preferences_.*set)(binding);
            // Unchanged bindings are registered again too: a shortcut another
            // app held may be free by now.
            shortcuts_.registerAll();
        });
    };
    bind(region_, &Preferences::setRegionHotkey);
    bind(fullScreen_, &Preferences::setFullScreenHotkey);
    // The same keys, however often pressed, would fire both: the first press already belongs to one.
    const auto taken = [](const HotkeyBinding& proposed, const HotkeyBinding& other,
                          const QString& otherName) -> std::optional<QString> {
        if (proposed.keyCode == other.keyCode && proposed.modifiers == other.modifiers)
            return otherName;
        return std::nullopt;
    };
    region_->model().setOtherShortcuts([this, taken](const HotkeyBinding& b) {
        return taken(b, preferences_.fullScreenHotkey(), tr("Capture the whole screen"));
    });
    fullScreen_->model().setOtherShortcuts([this, taken](const HotkeyBinding& b) {
        return taken(b, preferences_.regionHotkey(), tr("Capture a region"));
    });
    connect(&preferences_, &Preferences::regionHotkeyChanged, region_, &HotkeyRecorderView::setBinding);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, fullScreen_, &HotkeyRecorderView::setBinding);
    connect(&manager, &HotkeyManager::conflictsChanged, this, &ShortcutSettingsPanel::showState);
    // The sway lines follow the recorded combinations.
    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &ShortcutSettingsPanel::showState);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &ShortcutSettingsPanel::showState);
    connect(&manager, &HotkeyManager::keyMonitorBlockedChanged, this, &ShortcutSettingsPanel::showState);
    connect(&manager, &HotkeyManager::bindFailureChanged, this, &ShortcutSettingsPanel::showState);
    region_->setBinding(preferences_.regionHotkey());
    fullScreen_->setBinding(preferences_.fullScreenHotkey());
    showState();
}

void ShortcutSettingsPanel::showState() {
    const HotkeyManager& manager = shortcuts_.manager();
    region_->setConflict(manager.conflicts().contains(HotkeyManager::Action::region));
    fullScreen_->setConflict(manager.conflicts().contains(HotkeyManager::Action::fullScreen));
    QString notice;
    if (const DesktopShortcutEntries* entries = shortcuts_.desktopEntries())
        notice = tr("This desktop doesn't let apps set global shortcuts themselves, but Zorvi can add its two "
                    "to %1, where they run \u201czorvi --capture-region\u201d and \u201czorvi "
                    "--capture-screen\u201d.")
                     .arg(entries->settingsName());
    else if (shortcuts_.mechanism() == GlobalShortcuts::Mechanism::desktopSettings)
        notice = GlobalShortcuts::desktopSettingsText;
    else if (shortcuts_.mechanism() == GlobalShortcuts::Mechanism::swayConfig)
        notice = tr("sway lets you bind the shortcuts yourself: add these lines to ~/.config/sway/config and "
                    "reload sway (tap shortcuts and double presses can't be bound there).") +
                 QStringLiteral("\n\n") +
                 SwayBindings::lines(preferences_.regionHotkey(), preferences_.fullScreenHotkey());
    else if (manager.bindFailure() == HotkeyRegistrar::DesktopAnswer::Failure::declined)
        notice = tr("The desktop asked whether Zorvi may have these shortcuts and the answer was no, so they "
                    "don't fire. Record a shortcut again to be asked once more.");
    else if (manager.bindFailure() == HotkeyRegistrar::DesktopAnswer::Failure::error)
        notice = tr("The desktop couldn't bind these shortcuts, so they don't fire (%1). Record a shortcut "
                    "again to retry.")
                     .arg(manager.bindFailureDetail().isEmpty() ? tr("it gave no reason")
                                                                : manager.bindFailureDetail());
    else if (manager.isKeyMonitorBlocked())
        notice = GlobalShortcuts::keyMonitorUnavailableText;
    notice_->setText(notice);
    notice_->setVisible(!notice.isEmpty());
}
