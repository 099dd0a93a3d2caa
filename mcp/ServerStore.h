#pragma once

#include <memory>

class CaptureStore;

// The library as zorvi-mcp opens it: the same file and store as the app,
// with a connection tuned for a long-lived reader.
namespace ServerStore {

// Throws what CaptureStore's constructor throws.
std::unique_ptr<CaptureStore> open();

} // namespace ServerStore
