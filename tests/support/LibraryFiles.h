#pragma once

#include "store/ZorviPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QStringList>

// Every file under the library's captures and thumbs folders, sorted: what a
// cancelled or failed capture must leave as it was.
inline QStringList libraryFiles() {
    QStringList files;
    for (const QString& root : {ZorviPaths::capturesRoot(), ZorviPaths::thumbsRoot()})
        for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next();
    files.sort();
    return files;
}
