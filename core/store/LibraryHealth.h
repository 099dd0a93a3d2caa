#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Whether a library file is sound, by SQLite's quick check on a connection
// of its own (so run it off the UI thread), and a copy of the last sound
// state beside it to recover from. Reads of the library are not changed by
// any of this: it only detects.
namespace LibraryHealth {

struct Report {
    bool sound = true;
    // SQLite's own lines about what is wrong (for the details, never the headline).
    QStringList problems;
    QString databasePath;
    QString backupPath;
    // When the backup was taken; none when there is none.
    std::optional<QDateTime> backupTakenAt;

    // What to tell a person whose library failed the check: what happened,
    // where the last good copy is, and how to put it back.
    QString advice() const;
};

// The copy kept beside a library file.
QString backupPath(const QString& databasePath);

// Checks the library; a sound one also refreshes its backup when the backup
// is older than `backupAgeSeconds` (never, when negative). A file that cannot
// even be opened counts as damaged. Never throws.
Report check(const QString& databasePath, qint64 backupAgeSeconds = 20 * 3600);

} // namespace LibraryHealth
