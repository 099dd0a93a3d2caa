#pragma once

// How quickly keys must follow each other to count as one shortcut, in seconds.
namespace TriggerTiming {

// A modifier released within this long of being pressed was tapped.
inline constexpr double tapHoldLimit = 0.3;
// Taps, or presses of a combination, belong together when each follows the
// previous one within this long.
inline constexpr double sequenceWindow = 0.4;
// The recorder waits this long after the last input before committing, so a
// second or third press can still make it a multi-press shortcut.
inline constexpr double recorderCommitDelay = 0.55;

} // namespace TriggerTiming
