#pragma once

#include "keys/ModifierSet.h"

#include <QString>

#include <cstdint>
#include <optional>

// The one translation between the portable key numbering kept in stored
// shortcuts and X keysyms. Grabbing goes code -> keysym, recording goes
// keysym -> code; both read the same table so a recorded key always grabs
// the key it was recorded from.
namespace KeyCodeTable {

// The keysym for a portable key code, absent for codes with no X key.
std::optional<uint32_t> keysym(uint16_t keyCode);

// The portable key code for a keysym. Letters match in either case, so a
// key recorded with Shift held still maps to its key.
std::optional<uint16_t> keyCode(uint32_t keysym);

// The modifier a modifier key's keysym stands for (Shift_L -> Shift,
// Super_L -> Command, ...), absent for every other keysym.
std::optional<ModifierSet> modifierForKeysym(uint32_t keysym);

// The X keysym name for a portable key code ("2", "F5", "Return"), which is
// how desktops' own shortcut settings spell keys; empty for codes with no X key.
QString keysymName(uint16_t keyCode);

} // namespace KeyCodeTable
