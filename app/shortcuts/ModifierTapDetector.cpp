#include "shortcuts/ModifierTapDetector.h"

#include "shortcuts/TriggerTiming.h"

std::optional<ModifierTapDetector::Tap> ModifierTapDetector::flagsChanged(ModifierSet held, double now) {
    std::optional<Tap> tap;
    for (ModifierSet modifier : ModifierSet::eventOrder()) {
        const bool isHeld = held.contains(modifier);
        if (isHeld == previous_.contains(modifier))
            continue;
        if (isHeld)
            pressed(modifier, held, now);
        else
            released(modifier, now, tap);
    }
    previous_ = held;
    return tap;
}

void ModifierTapDetector::released(ModifierSet modifier, double now, std::optional<Tap>& tap) {
    const bool clean = pending_ == modifier && now - pressedAt_ <= TriggerTiming::tapHoldLimit;
    pending_.reset();
    if (!clean) {
        if (policy_.failedTapResetsCount)
            tapCount_ = 0;
        return;
    }
    if (tapCount_ >= 1 && now - lastTapAt_ > TriggerTiming::sequenceWindow)
        tapCount_ = 0;
    ++tapCount_;
    if (policy_.maxCount > 0 && tapCount_ > policy_.maxCount)
        tapCount_ = policy_.maxCount;
    lastTapAt_ = now;
    tap = Tap{modifier, tapCount_};
}

void ModifierTapDetector::pressed(ModifierSet modifier, ModifierSet held, double now) {
    if (((held - modifier).rawValue() & ModifierSet::allBits) != 0) {
        // Two modifiers at once are a chord, never a tap.
        pending_.reset();
        tapCount_ = 0;
        return;
    }
    pending_ = modifier;
    pressedAt_ = now;
}

void ModifierTapDetector::reset() {
    pending_.reset();
    tapCount_ = 0;
}
