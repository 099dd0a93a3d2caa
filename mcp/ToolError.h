#pragma once

#include "common/ZorviError.h"

// A failure the calling model can act on (an unknown id, a bad argument).
// It becomes a tool result with isError set, not a protocol error.
class ToolError : public ZorviError {
public:
    using ZorviError::ZorviError;
};
