#include "shortcuts/DesktopShortcutEntriesView.h"

#include "settings/Preferences.h"
#include "shortcuts/DesktopShortcutEntries.h"
#include "ui/Labels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

DesktopShortcutEntriesView::DesktopShortcutEntriesView(DesktopShortcutEntries& entries, Preferences& preferences,
                                                       QWidget* parent)
    : QWidget(parent), entries_(entries), preferences_(preferences), status_(Labels::body({}, this)),
      error_(Labels::warning({})), add_(new QPushButton(this)), remove_(new QPushButton(this)) {
    const QString settings = entries_.settingsName();
    status_->setObjectName(QStringLiteral("desktopShortcutsStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error_->setObjectName(QStringLiteral("desktopShortcutsError"));
    add_->setObjectName(QStringLiteral("addToDesktopSettings"));
    add_->setText(tr("Add to %1").arg(settings));
    remove_->setObjectName(QStringLiteral("removeFromDesktopSettings"));
    remove_->setText(tr("Remove from %1").arg(settings));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(error_);

    connect(add_, &QPushButton::clicked, &entries_, &DesktopShortcutEntries::add);
    connect(remove_, &QPushButton::clicked, &entries_, &DesktopShortcutEntries::remove);
    connect(&entries_, &DesktopShortcutEntries::changed, this, &DesktopShortcutEntriesView::showState);
    // Whether the desktop holds what is recorded changes with the recording too.
    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &DesktopShortcutEntriesView::showState);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &DesktopShortcutEntriesView::showState);
    showState();
}

void DesktopShortcutEntriesView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    entries_.refresh();
}

void DesktopShortcutEntriesView::showState() {
    const QString settings = entries_.settingsName();
    const std::pair<QString, QString> ours[] = {{DesktopShortcutEntries::regionId, tr("Capture a region")},
                                                {DesktopShortcutEntries::fullScreenId, tr("Capture the whole screen")}};
    QStringList lines;
    bool stale = false;
    for (const auto& [id, name] : ours) {
        const std::optional<DesktopKeybindings::Entry> entry = entries_.entry(id);
        if (!entry)
            continue;
        const QString keys = entry->binding ? entry->binding->displayString() : entry->accelerator;
        lines << QStringLiteral("%1: %2").arg(name, keys);
        stale = stale || !entries_.isBound(id);
    }
    QString status;
    if (lines.isEmpty())
        status = tr("Not in %1 yet: the shortcuts above do nothing until they are added there. Tap shortcuts and "
                    "double presses can't be added.")
                     .arg(settings);
    else
        status = tr("In %1 now:").arg(settings) + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
    if (stale)
        status += QStringLiteral("\n\n") +
                  tr("These differ from the shortcuts recorded above: add them again to update %1.").arg(settings);
    status_->setText(status);
    remove_->setEnabled(!lines.isEmpty());
    error_->findChild<QLabel*>(QStringLiteral("text"))->setText(entries_.error());
    error_->setVisible(!entries_.error().isEmpty());
}
