#pragma once

#include <QWidget>

struct HotkeyBinding;

// A shortcut drawn as key caps: "Alt+Shift+2" becomes three small keys.
// A double press shows the group twice.
class KeyCaps : public QWidget {
    Q_OBJECT
public:
    explicit KeyCaps(QWidget* parent = nullptr);
    explicit KeyCaps(const HotkeyBinding& binding, QWidget* parent = nullptr);

    void setBinding(const HotkeyBinding& binding);
    // Also a plain key name: "Esc", "Space", "Ctrl+Enter".
    void setKeys(const QStringList& presses);
};
