#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Points HOME and XDG_DATA_HOME into a private folder for the test's lifetime.
struct ZorviPathsTest : ::testing::Test {
    TempDir root;
    QString data;

    void SetUp() override {
        data = root.file("data");
        qputenv("HOME", root.path().toUtf8());
        qputenv("XDG_DATA_HOME", data.toUtf8());
        qunsetenv("ZORVI_HOME");
    }

    void write(const QString& path, const QByteArray& bytes = "x") {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(ZorviPathsTest, LocationFollowsTheEnvironment) {
    EXPECT_EQ(ZorviPaths::support(), data + "/Zorvi");
    EXPECT_EQ(ZorviPaths::databaseFile(), data + "/Zorvi/zorvi.sqlite");
    qputenv("ZORVI_HOME", " \t ");
    EXPECT_EQ(ZorviPaths::support(), data + "/Zorvi") << "a blank value is ignored";
    qputenv("ZORVI_HOME", "~/bugs");
    EXPECT_EQ(ZorviPaths::support(), QDir::homePath() + "/bugs");
    qputenv("ZORVI_HOME", " /srv/zorvi ");
    EXPECT_EQ(ZorviPaths::thumbFile("2024/01/a.jpg"), "/srv/zorvi/thumbs/2024/01/a.jpg");
}

TEST_F(ZorviPathsTest, RelativePathsUseLocalYearAndMonth) {
    EXPECT_EQ(ZorviPaths::relativeImagePath("id", QDateTime(QDate(2023, 12, 15), QTime(12, 0)), "png"),
              "2023/12/id.png");
    EXPECT_EQ(ZorviPaths::relativeImagePath("id", QDateTime(QDate(2024, 1, 15), QTime(12, 0)), "jpg"),
              "2024/01/id.jpg");
    EXPECT_EQ(ZorviPaths::markedRelativePath("2024/01/id.png"), "2024/01/id-marked.png");
}

TEST_F(ZorviPathsTest, StoredPathsCannotLeaveTheirFolder) {
    EXPECT_TRUE(ZorviPaths::isSafeRelativePath("2024/01/a.png"));
    EXPECT_TRUE(ZorviPaths::isSafeRelativePath("2024/../2024/01/a.png"));
    for (const char* hostile : {"", "/etc/passwd", "../zorvi.sqlite", "2024/../../x", ".."})
        EXPECT_FALSE(ZorviPaths::isSafeRelativePath(hostile)) << hostile;

    // Deleting an image whose row points outside the captures folder leaves that file alone.
    qputenv("ZORVI_HOME", root.file("lib").toUtf8());
    write(root.file("lib/precious.txt"));
    CaptureImage hostile;
    hostile.imagePath = "../precious.txt";
    hostile.thumbPath = "../precious.txt";
    CaptureStore::removeImageFiles(hostile);
    EXPECT_TRUE(QFileInfo::exists(root.file("lib/precious.txt")));
}

TEST_F(ZorviPathsTest, LegacyLibraryMovesIntoPlaceOnce) {
    const QString legacy = data + "/Kestad";
    write(legacy + "/kestad.sqlite", "db");
    write(legacy + "/kestad.sqlite-wal", "wal");
    write(legacy + "/captures/2023/12/a.png", "png");
    QDir().mkpath(ZorviPaths::support()); // an empty folder made by an earlier launch

    ZorviPaths::migrateLegacyLibraryIfNeeded();
    EXPECT_FALSE(QFileInfo::exists(legacy));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::databaseFile()));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::databaseFile() + "-wal"));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::databaseFile() + "-shm"));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::imageFile("2023/12/a.png")));

    // With both present, nothing moves.
    write(legacy + "/kestad.sqlite", "other");
    ZorviPaths::migrateLegacyLibraryIfNeeded();
    EXPECT_TRUE(QFileInfo::exists(legacy + "/kestad.sqlite"));
}

TEST_F(ZorviPathsTest, LegacyMoveIsSkippedWithoutItsDatabaseOrWithZorviHome) {
    write(data + "/Kestad/notes.txt");
    ZorviPaths::migrateLegacyLibraryIfNeeded();
    EXPECT_TRUE(QFileInfo::exists(data + "/Kestad/notes.txt"));

    write(data + "/Kestad/kestad.sqlite");
    qputenv("ZORVI_HOME", "   ");
    ZorviPaths::migrateLegacyLibraryIfNeeded();
    EXPECT_TRUE(QFileInfo::exists(data + "/Kestad/kestad.sqlite")) << "the variable is present, even blank";
}

TEST_F(ZorviPathsTest, StoreOpensAMovedLegacyLibraryWithItsCaptures) {
    {
        // An old library as the earlier application left it, at the current layout.
        const QString legacyDb = data + "/Kestad/kestad.sqlite";
        QDir().mkpath(data + "/Kestad");
        CaptureStore old(legacyDb);
        Capture c;
        c.id = "legacy-capture";
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        old.insert(c);
    }
    QFile::remove(data + "/Kestad/kestad.sqlite-shm");
    CaptureStore store(ZorviPaths::databaseFile());
    EXPECT_TRUE(store.capture("legacy-capture").has_value());
    EXPECT_TRUE(QFileInfo(ZorviPaths::thumbsRoot()).isDir()) << "folders exist inside the moved library";
}

} // namespace
