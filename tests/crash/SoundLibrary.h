#pragma once

#include "store/CaptureStore.h"
#include "store/Database.h"
#include "store/OrphanFileSweep.h"
#include "store/ZorviPaths.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

// A file a row names, there and whole: it decodes, at the size the row says
// when it says one.
inline void expectWholeImage(const QString& path, QSize size = {}) {
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    const QImage image = QImageReader(path).read();
    ASSERT_FALSE(image.isNull()) << "does not decode: " << path.toStdString();
    if (!size.isEmpty()) {
        EXPECT_EQ(image.size(), size) << path.toStdString();
    }
}

// What must hold for a library after any kill, before and after the next
// launch's sweep: it opens sound, every live image row has its files whole,
// and nothing is left that the sweep would not remove.
inline void expectSoundLibrary(const QString& path) {
    Database db(path);
    const auto integrity = db.query("PRAGMA integrity_check;");
    ASSERT_FALSE(integrity.empty());
    EXPECT_EQ(integrity.front().string("integrity_check"), "ok");
    const auto images = db.query("SELECT i.image_path, i.annotated_path, i.thumb_path, i.width, i.height "
                                 "FROM capture_images i JOIN captures c ON c.id = i.capture_id "
                                 "WHERE i.deleted_at IS NULL AND c.deleted_at IS NULL;");
    for (const Row& row : images) {
        const QSize size(int(row.integer("width").value_or(0)), int(row.integer("height").value_or(0)));
        expectWholeImage(ZorviPaths::imageFile(*row.string("image_path")), size);
        if (const auto marked = row.string("annotated_path"))
            expectWholeImage(ZorviPaths::imageFile(*marked)); // a crop makes it smaller
        if (const auto thumb = row.string("thumb_path"))
            expectWholeImage(ZorviPaths::thumbFile(*thumb));
    }
    // The next launch: deleted captures' files and unnamed files go; nothing is left for a second pass.
    CaptureStore(path).sweepFilesOfDeleted();
    OrphanFileSweep::run(path, -60);
    EXPECT_EQ(OrphanFileSweep::run(path, -60), 0);
}
