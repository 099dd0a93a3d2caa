#include "ShortcutSettingsPage.h"

#include "ui/KeyCaps.h"
#include "settings/Preferences.h"

#include "shortcuts/ShortcutSettingsPanel.h"
#include "ui/Labels.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

KeyCaps* keys(const QStringList& presses) {
    auto* caps = new KeyCaps;
    caps->setKeys(presses);
    return caps;
}

} // namespace

ShortcutSettingsPage::ShortcutSettingsPage(GlobalShortcuts& shortcuts, Preferences& preferences, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* recorders = new QGroupBox(tr("Shortcuts"));
    auto* recordersLayout = new QVBoxLayout(recorders);
    recordersLayout->addWidget(Labels::body(tr("Press any combination, or tap one modifier key twice or three times. "
                                               "Pressing the same combination twice quickly makes it a double-press "
                                               "shortcut.")));
    // The recorders, their conflicts and the session's notice come as one piece.
    auto* recorderPanel = new ShortcutSettingsPanel(shortcuts, preferences);
    recorderPanel->layout()->setContentsMargins(0, 0, 0, 0);
    recordersLayout->addWidget(recorderPanel);
    layout->addWidget(recorders);

    auto* noteOnly = new QGroupBox(tr("Issues without a screenshot"));
    auto* noteForm = new QFormLayout(noteOnly);
    auto* region = new KeyCaps(preferences.regionHotkey());
    auto* fullTwice = new KeyCaps;
    auto showFullTwice = [fullTwice](const HotkeyBinding& b) { fullTwice->setKeys({b.displayString(), b.displayString()}); };
    showFullTwice(preferences.fullScreenHotkey());
    connect(&preferences, &Preferences::regionHotkeyChanged, region, &KeyCaps::setBinding);
    connect(&preferences, &Preferences::fullScreenHotkeyChanged, fullTwice, showFullTwice);
    noteForm->addRow(region, Labels::body(tr("Press again while the overlay is up — the note box opens without a "
                                             "screenshot")));
    noteForm->addRow(fullTwice, Labels::body(tr("Press twice quickly — same, from the full-screen shortcut")));
    noteForm->addRow(
        Labels::secondary(tr("It's the same note box; a screenshot can be added to it later, from the box or from "
                             "the board.")));
    layout->addWidget(noteOnly);

    auto* overlay = new QGroupBox(tr("While the overlay is open"));
    auto* overlayForm = new QFormLayout(overlay);
    overlayForm->addRow(keys({tr("Drag")}), new QLabel(tr("Select a region")));
    overlayForm->addRow(keys({tr("Space")}), new QLabel(tr("Capture the whole screen instead")));
    overlayForm->addRow(keys({tr("Esc")}), new QLabel(tr("Cancel")));
    layout->addWidget(overlay);

    auto* noteBox = new QGroupBox(tr("In the note box"));
    auto* noteBoxForm = new QFormLayout(noteBox);
    noteBoxForm->addRow(keys({tr("Ctrl+Enter")}), new QLabel(tr("Save to the board")));
    noteBoxForm->addRow(keys({tr("Esc")}), new QLabel(tr("Discard the capture")));
    layout->addWidget(noteBox);
    layout->addStretch(1);
}
