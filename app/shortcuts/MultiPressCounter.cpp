#include "shortcuts/MultiPressCounter.h"

#include "shortcuts/TriggerTiming.h"

bool MultiPressCounter::press(uint16_t keyCode, ModifierSet modifiers, int required, double now) {
    const QString key = QStringLiteral("%1-%2").arg(keyCode).arg(modifiers.rawValue());
    Count& entry = counts_[key];
    if (entry.count >= 1 && now - entry.lastAt > TriggerTiming::sequenceWindow)
        entry.count = 0;
    const int count = entry.count + 1;
    if (count >= required) {
        entry = Count{};
        return true;
    }
    entry = Count{count, now};
    return false;
}
