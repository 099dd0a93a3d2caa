#pragma once

#include "common/ZorviError.h"

// A client configuration file that could not be written: the folder could not
// be created, the document could not be serialised, or the write failed.
// The description is the file system's own message.
class MCPInstallerError : public ZorviError {
public:
    using ZorviError::ZorviError;
};
