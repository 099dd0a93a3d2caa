#pragma once

#include "store/Capture.h"

#include <QString>

class CaptureStore;

// Finds the live capture an agent names: by its id, a unique prefix of it,
// or a unique ending such as the short id the board shows, each also as a
// zorvi://capture/ link.
namespace CaptureLookup {

// Throws ToolError with a message the agent can act on.
Capture find(CaptureStore& store, const QString& idOrPrefix);

} // namespace CaptureLookup
