#pragma once

#include "store/Capture.h"

#include <QString>

class CaptureStore;

// Finds the live capture an agent names by its id or a unique prefix of it
// (the short ids shown in lists are suffixes, so full ids are what we print).
namespace CaptureLookup {

// Throws ToolError with a message the agent can act on.
Capture find(CaptureStore& store, const QString& idOrPrefix);

} // namespace CaptureLookup
