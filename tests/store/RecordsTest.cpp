#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/Capture.h"
#include "store/CaptureGroup.h"
#include "store/CaptureImage.h"
#include "store/Database.h"
#include "store/Person.h"

#include <gtest/gtest.h>

namespace {

TEST(Records, CaptureTitleAndBody) {
    Capture c;
    c.note = "\n  details";
    EXPECT_EQ(c.title(), "Untitled issue");
    EXPECT_EQ(c.noteBody(), "details");
    c.note = "Button overlaps   \nmore text";
    EXPECT_EQ(c.title(), "Button overlaps");
    EXPECT_EQ(c.noteBody(), "more text");
    c.note = "";
    c.imagePath = "2024/01/a.png";
    c.context.appName = "Safari";
    EXPECT_EQ(c.title(), "Untitled capture in Safari");
    c.id = "0123456789abcdef";
    EXPECT_EQ(c.shortID(), "89abcdef");
    c.workspaceID = "ws";
    c.localOnly = true;
    EXPECT_FALSE(c.isShared());
}

TEST(Records, PersonInitials) {
    Person p;
    p.name = "  ada   king lovelace ";
    EXPECT_EQ(p.initials(), "AK");
    p.name = "";
    EXPECT_EQ(p.initials(), "?");
}

TEST(Records, RowsWithOddValuesFallBack) {
    TempDir dir;
    Database db(dir.file("x.sqlite"));
    db.executeRaw("CREATE TABLE t (status TEXT, visibility TEXT, priority TEXT, image_width REAL, created_at TEXT,"
                  " display_scale INTEGER);"
                  "INSERT INTO t VALUES ('weird', 'secret', 7, 12.9, 'yesterday', 2);");
    const Row row = db.query("SELECT * FROM t;").front();
    const Capture c = Capture::fromRow(row);
    EXPECT_EQ(c.status, CaptureStatus::open);
    EXPECT_EQ(c.priority, CapturePriority::normal);
    EXPECT_EQ(c.imageWidth, 12);
    EXPECT_EQ(c.context.displayScale, 2.0);
    EXPECT_EQ(c.id.size(), 36) << "a missing id gets a fresh one";
    EXPECT_LE(qAbs(c.createdAt.secsTo(QDateTime::currentDateTimeUtc())), 5) << "a text time reads as now";
    EXPECT_EQ(CaptureGroup::fromRow(row).visibility, GroupVisibility::isPrivate);
    EXPECT_EQ(CaptureGroup::fromRow(row).name, "Untitled");

    CaptureImage image;
    EXPECT_FALSE(image.isAwaitingDownload());
    image.originalSHA256 = "ab";
    EXPECT_TRUE(image.isAwaitingDownload());
}

} // namespace
