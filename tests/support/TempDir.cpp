#include "TempDir.h"

#include <stdexcept>

TempDir::TempDir() : dir_(QDir::tempPath() + "/zorvi-test-XXXXXX") {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}
