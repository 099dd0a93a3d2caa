#include "OrphanFileSweep.h"

#include "Database.h"
#include "ZorviPaths.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace OrphanFileSweep {

namespace {

QSet<QString> namedFiles(Database& db) {
    QSet<QString> named;
    const auto add = [&](const std::optional<QString>& relative, QString (*root)(const QString&)) {
        if (relative && !relative->isEmpty())
            named.insert(QDir::cleanPath(root(*relative)));
    };
    for (const Row& row : db.query("SELECT image_path, annotated_path, thumb_path FROM capture_images;")) {
        add(row.string("image_path"), ZorviPaths::imageFile);
        add(row.string("annotated_path"), ZorviPaths::imageFile);
        add(row.string("thumb_path"), ZorviPaths::thumbFile);
    }
    for (const Row& row : db.query("SELECT image_path, thumb_path FROM captures;")) {
        add(row.string("image_path"), ZorviPaths::imageFile);
        add(row.string("thumb_path"), ZorviPaths::thumbFile);
    }
    return named;
}

} // namespace

int run(const QString& databasePath, qint64 graceSeconds) {
    try {
        Database db(databasePath);
        // Read in one transaction, so no row lands between the two reads.
        const QSet<QString> named = db.transaction([&] { return namedFiles(db); });
        const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-graceSeconds);
        int removed = 0;
        for (const QString& root : {ZorviPaths::capturesRoot(), ZorviPaths::thumbsRoot()})
            for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
                const QString path = QDir::cleanPath(it.next());
                if (!named.contains(path) && QFileInfo(path).lastModified().toUTC() <= cutoff && QFile::remove(path))
                    ++removed;
            }
        return removed;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace OrphanFileSweep
