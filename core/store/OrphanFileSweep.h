#pragma once

#include <QString>

// Image files no library row names: a screenshot written for a note box
// that a crash or kill closed, a marked copy whose row never got its path, a
// half-written temporary. Run at launch, before anything of this process
// writes images, on a connection of its own.
namespace OrphanFileSweep {

// Removes such files under the captures and thumbnails folders that are
// older than `graceSeconds` (another process may be writing the newest);
// returns how many went. Never throws.
int run(const QString& databasePath, qint64 graceSeconds = 600);

} // namespace OrphanFileSweep
