#pragma once

#include "store/LibraryHealth.h"

class QMessageBox;

// The notice that the library failed its integrity check: what that means,
// where the last good copy is and how to go back to it; SQLite's own words
// only under "Show Details…".
namespace LibraryDamageNotice {

// Shown without blocking the app; it closes itself when dismissed.
QMessageBox* show(const LibraryHealth::Report& report);

} // namespace LibraryDamageNotice
