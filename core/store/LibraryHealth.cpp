#include "LibraryHealth.h"

#include "Database.h"
#include "DatabaseError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace LibraryHealth {

QString backupPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".backup");
}

QString Report::advice() const {
    QString text = QCoreApplication::translate(
                       "LibraryHealth", "Zorvi's library file failed its integrity check: part of it is damaged, "
                                        "so some captures may be missing or wrong. Zorvi keeps working with what it "
                                        "can read.")
                   + "\n\n";
    if (backupTakenAt)
        text += QCoreApplication::translate("LibraryHealth",
                                            "A copy from %1, when the library was last sound, is at:\n%2\n\n"
                                            "To go back to it: quit Zorvi (and any agent using zorvi-mcp), move "
                                            "%3 aside, copy the backup to that name, and start Zorvi again. "
                                            "Captures filed since then are in the damaged file; "
                                            "\"sqlite3 DAMAGED .recover\" can often still read them.")
                    .arg(QLocale().toString(backupTakenAt->toLocalTime(), QLocale::ShortFormat), backupPath,
                         databasePath);
    else
        text += QCoreApplication::translate("LibraryHealth",
                                            "There is no earlier copy yet. Quit Zorvi, keep a copy of %1, and "
                                            "recover what can be read with \"sqlite3 %1 .recover | sqlite3 "
                                            "recovered.sqlite\"; then put recovered.sqlite in its place.")
                    .arg(databasePath);
    return text;
}

namespace {

std::optional<QDateTime> modified(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? std::optional(info.lastModified().toUTC()) : std::nullopt;
}

// A fresh copy is written beside the old one and only then takes its name,
// so a failure half-way never costs the last good copy.
void refreshBackup(Database& db, const QString& target) {
    const QString fresh = target + QStringLiteral(".new");
    QFile::remove(fresh);
    QString quoted = fresh;
    quoted.replace(u'\'', QStringLiteral("''"));
    db.executeRaw(QStringLiteral("VACUUM INTO '%1';").arg(quoted));
    QFile::remove(target);
    QFile::rename(fresh, target);
}

} // namespace

Report check(const QString& databasePath, qint64 backupAgeSeconds) {
    Report report;
    report.databasePath = databasePath;
    report.backupPath = backupPath(databasePath);
    try {
        Database db(databasePath);
        const std::vector<Row> rows = db.query(QStringLiteral("PRAGMA quick_check;"));
        for (const Row& row : rows)
            if (const std::optional<QString> line = row.string("quick_check"); line && *line != u"ok")
                report.problems << *line;
        // A check that stops before its first line met damage it could not get past.
        if (rows.empty())
            report.problems << QStringLiteral("the check could not read the file");
        report.sound = report.problems.isEmpty();
        const std::optional<QDateTime> taken = modified(report.backupPath);
        if (report.sound && backupAgeSeconds >= 0 && (!taken || taken->secsTo(QDateTime::currentDateTimeUtc()) > backupAgeSeconds)) {
            try {
                refreshBackup(db, report.backupPath);
            } catch (const DatabaseError&) {
                // A full disk, say: the older copy stays.
            }
        }
    } catch (const DatabaseError& error) {
        report.sound = false;
        report.problems << error.description();
    }
    report.backupTakenAt = modified(report.backupPath);
    return report;
}

} // namespace LibraryHealth
