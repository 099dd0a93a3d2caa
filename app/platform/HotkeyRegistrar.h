#pragma once

#include "keys/ModifierSet.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The session's system-wide shortcut service (a key grab on X11).
class HotkeyRegistrar {
public:
    // A live registration; destroying it releases the shortcut.
    class Registration {
    public:
        virtual ~Registration() = default;
    };

    // What the desktop made of the shortcuts, for registrars whose desktop
    // answers after registerHotkey has returned (the GlobalShortcuts portal
    // may ask the user first, or give a combination to someone else).
    struct DesktopAnswer {
        enum class Failure { none, declined, error };
        // Ids of shortcuts the desktop left without a trigger: their
        // combination belongs to something else.
        QSet<QString> refused;
        Failure failure = Failure::none;
        // The desktop's own words when it failed with an error.
        QString detail;

        bool operator==(const DesktopAnswer&) const = default;
    };

    virtual ~HotkeyRegistrar() = default;

    // Registers the combination so `handler` runs from the event loop on each
    // press. Null when the session refuses, typically because another
    // application already owns the combination. `id` names the shortcut
    // ("region") and `description` says what it does, for desktops that
    // list the shortcuts apps asked for.
    virtual std::unique_ptr<Registration> registerHotkey(const QString& id, const QString& description,
                                                         uint16_t keyCode, ModifierSet modifiers,
                                                         std::function<void()> handler) = 0;

    // The desktop's latest answer; registrars that refuse at once have none.
    virtual DesktopAnswer desktopAnswer() const { return {}; }
    // `listener` runs on the main thread each time desktopAnswer() changes;
    // an empty function stops it.
    void setDesktopAnswerListener(std::function<void()> listener) { answerListener_ = std::move(listener); }

protected:
    void desktopAnswerChanged() {
        if (answerListener_)
            answerListener_();
    }

private:
    std::function<void()> answerListener_;
};
