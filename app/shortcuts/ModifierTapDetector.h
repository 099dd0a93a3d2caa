#pragma once

#include "keys/ModifierSet.h"

#include <optional>

// Recognises a modifier tapped on its own from the held-modifier state of
// successive key events, and counts quick successive taps of it.
//
// A tap is one modifier pressed while no other is held and released within
// TriggerTiming::tapHoldLimit with no key pressed meanwhile. Taps further
// apart than TriggerTiming::sequenceWindow start a new count.
class ModifierTapDetector {
public:
    struct Policy {
        // Whether a release that is not a tap (held too long, a key pressed
        // during the hold) also ends the running count.
        bool failedTapResetsCount = true;
        // The count stops rising here; 0 for no limit.
        int maxCount = 0;
    };

    struct Tap {
        ModifierSet modifier;
        int count;
    };

    explicit ModifierTapDetector(Policy policy) : policy_(policy) {}

    // The modifiers now held; reports a tap when one ended with this event.
    std::optional<Tap> flagsChanged(ModifierSet held, double now);

    // Forgets the pending tap and the count (not which modifiers are held);
    // a key going down does this, as no tap in progress can count then.
    void reset();
    void resetCount() { tapCount_ = 0; }
    // Takes the held modifiers as they are now without judging the change.
    void setHeld(ModifierSet held) { previous_ = held; }

private:
    void released(ModifierSet modifier, double now, std::optional<Tap>& tap);
    void pressed(ModifierSet modifier, ModifierSet held, double now);

    Policy policy_;
    ModifierSet previous_;
    std::optional<ModifierSet> pending_;
    double pressedAt_ = 0;
    int tapCount_ = 0;
    double lastTapAt_ = 0;
};
