#pragma once

#include "storage/Records.h"

#include <functional>
#include <optional>
#include <vector>

// The history entries a pushed change makes: the service keeps a capture's
// history so it reads the same on every computer and survives a new sign-in.
// Entries carry the wording the desktop records for its own edits.
namespace ActivityRecorder {

// Entries for a capture that was just created (before is none) or changed.
std::vector<SyncRow> forCapture(const std::optional<QJsonObject>& before, const SyncRow& after, const UserRecord& actor);

} // namespace ActivityRecorder
