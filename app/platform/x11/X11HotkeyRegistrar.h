#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QObject>
#include <QSet>

#include <xcb/xcb.h>

class X11Connection;

// System-wide shortcuts as passive key grabs on the root window. A press
// runs its handler from the event loop, never inside event reading.
class X11HotkeyRegistrar : public QObject, public HotkeyRegistrar {
    Q_OBJECT
public:
    explicit X11HotkeyRegistrar(X11Connection& connection, QObject* parent = nullptr);
    ~X11HotkeyRegistrar() override;

    std::unique_ptr<Registration> registerHotkey(const QString& id, const QString& description, uint16_t keyCode,
                                                 ModifierSet modifiers, std::function<void()> handler) override;

private:
    class Grabbed;
    void handle(const xcb_generic_event_t* event);

    X11Connection& connection_;
    QSet<Grabbed*> live_;
    struct {
        uint8_t keycode = 0;
        uint32_t time = 0;
    } lastRelease_;
};
