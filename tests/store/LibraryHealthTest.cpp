// Telling a damaged library from a sound one, and the copy kept to recover from.
#include "StoreFixture.h"

#include "store/LibraryHealth.h"
#include "support/LibraryDamage.h"

namespace {

class LibraryHealthTest : public StoreFixture {
protected:
    // A library of its own with some captures, closed (its log folded into the file).
    QString filledLibrary(const QString& name) {
        const QString path = home.file(name);
        CaptureStore library(path);
        for (int i = 0; i < 200; ++i) {
            Capture c = newCapture(QStringLiteral("capture %1 with a note long enough to fill pages").arg(i));
            library.insert(c);
        }
        return path;
    }
};

TEST_F(LibraryHealthTest, ASoundLibraryKeepsABackupAndADamagedOneSaysWhereItIs) {
    const QString path = filledLibrary("library.sqlite");
    const LibraryHealth::Report sound = LibraryHealth::check(path);
    EXPECT_TRUE(sound.sound) << sound.problems.join("; ").toStdString();
    ASSERT_TRUE(sound.backupTakenAt.has_value()) << "a sound library gets its copy";

    damageLibraryIndex(path);
    const LibraryHealth::Report damaged = LibraryHealth::check(path);
    EXPECT_FALSE(damaged.sound);
    EXPECT_FALSE(damaged.problems.isEmpty());
    EXPECT_EQ(damaged.backupTakenAt, sound.backupTakenAt) << "a damaged library never replaces the good copy";
    EXPECT_TRUE(damaged.advice().contains(damaged.backupPath));
    EXPECT_FALSE(damaged.advice().contains("btree")) << "SQLite's words stay in the details";
    // Detection only: the library still opens as before.
    EXPECT_NO_THROW(CaptureStore reopened(path));
    Database backup(damaged.backupPath);
    EXPECT_EQ(backup.query("PRAGMA quick_check;").front().string("quick_check"), "ok");
    EXPECT_EQ(backup.query("SELECT COUNT(*) AS n FROM captures;").front().integer("n"), 200);
}

} // namespace
