#pragma once

#include "keys/ModifierSet.h"

#include <QHash>
#include <QString>

#include <cstdint>

// Counts quick successive presses of each combination; a combination fires
// when its count reaches the required number of presses, and its count then
// starts over. Presses further apart than TriggerTiming::sequenceWindow
// start a new count.
class MultiPressCounter {
public:
    // Records a press; true when this press completes the sequence.
    bool press(uint16_t keyCode, ModifierSet modifiers, int required, double now);
    void reset() { counts_.clear(); }

private:
    struct Count {
        int count = 0;
        double lastAt = 0;
    };
    QHash<QString, Count> counts_;
};
