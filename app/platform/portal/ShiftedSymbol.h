#pragma once

#include <cstdint>
#include <optional>

// What a key types with Shift held, in the session's keyboard layout: "@"
// for the US "2". Nothing for letters (Shift only changes their case) and
// for keys the layout lacks.
namespace ShiftedSymbol {

std::optional<uint32_t> of(uint32_t keysym);

} // namespace ShiftedSymbol
