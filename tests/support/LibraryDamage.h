#pragma once

#include "store/Database.h"

#include <QFile>

#include <gtest/gtest.h>

// Overwrites one index page of a closed library file, as a failing disk or a
// stray write would: the file still opens, the integrity check fails.
inline void damageLibraryIndex(const QString& path) {
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    {
        Database db(path);
        page = db.query("SELECT rootpage AS n FROM sqlite_master WHERE type = 'index' AND rootpage > 1 "
                        "ORDER BY rootpage DESC LIMIT 1;")
                   .front()
                   .integer("n")
                   .value_or(0);
        pageSize = db.query("PRAGMA page_size;").front().integer("page_size").value_or(4096);
    }
    ASSERT_GT(page, 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek((page - 1) * pageSize));
    file.write(QByteArray(int(pageSize), '\xA5'));
}
