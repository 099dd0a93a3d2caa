#pragma once

#include "platform/Clock.h"
#include "keys/HotkeyBinding.h"
#include "keys/ModifierSet.h"

#include <QList>

#include <cstdint>

// Receives the session's key events while a KeyEventSource runs.
class KeyEventSink {
public:
    virtual ~KeyEventSink() = default;
    // A key other than a modifier key went down with these modifiers held
    // (modifier keys arrive as flagsChanged); true when the press must
    // not reach any application.
    virtual bool keyDown(uint16_t keyCode, ModifierSet modifiers) = 0;
    // The set of held modifiers changed.
    virtual void flagsChanged(ModifierSet held) = 0;
};

// A session-wide feed of key events, the thing tap triggers and multi-press
// shortcuts are read from. Only some sessions offer one (X11 does, through
// raw input events; Wayland does not).
class KeyEventSource {
public:
    virtual ~KeyEventSource() = default;
    // False when the session can't deliver key events.
    virtual bool start(KeyEventSink& sink) = 0;
    virtual void stop() = 0;
    // Combinations whose presses are taken away from applications; a raw
    // event feed can't swallow, so these are grabbed where needed.
    virtual void setSwallowed(const QList<HotkeyBinding>& combinations) = 0;
    // The clock trigger timing runs on, in step with the events' own times.
    virtual Clock& eventClock() { return Clock::system(); }
};
