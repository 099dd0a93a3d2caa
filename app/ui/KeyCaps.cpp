#include "KeyCaps.h"

#include "keys/HotkeyBinding.h"

#include <QHBoxLayout>
#include <QLabel>

KeyCaps::KeyCaps(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
}

KeyCaps::KeyCaps(const HotkeyBinding& binding, QWidget* parent) : KeyCaps(parent) { setBinding(binding); }

void KeyCaps::setBinding(const HotkeyBinding& binding) {
    // The display string is one press repeated tapCount times, space-separated;
    // a key name may itself hold a space ("Page Up").
    const QString text = binding.displayString();
    const int taps = std::max(1, binding.tapCount);
    const QString press = text.left((text.size() - (taps - 1)) / taps);
    setKeys(QStringList(taps, press));
    setAccessibleName(text);
}

void KeyCaps::setKeys(const QStringList& presses) {
    QLayout* row = layout();
    while (QLayoutItem* item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int p = 0; p < presses.size(); ++p) {
        if (p > 0)
            row->addWidget(new QLabel(QStringLiteral(" ")));
        for (const QString& key : presses[p].split('+', Qt::SkipEmptyParts)) {
            auto* cap = new QLabel(key);
            cap->setAlignment(Qt::AlignCenter);
            cap->setMinimumWidth(22);
            cap->setStyleSheet("QLabel { border: 1px solid palette(mid); border-bottom-width: 2px; border-radius: 4px;"
                               " padding: 1px 5px; background: palette(base); }");
            row->addWidget(cap);
        }
    }
    static_cast<QHBoxLayout*>(row)->addStretch(1);
}
