#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/Database.h"

#include <gtest/gtest.h>

namespace {

struct DatabaseTest : ::testing::Test {
    TempDir dir;
    Database db{dir.file("nested/folder/test.sqlite")};
};

TEST_F(DatabaseTest, BindsEveryKindAndReadsTypedValues) {
    db.executeRaw("CREATE TABLE t (i INTEGER, r REAL, s TEXT, b BLOB, n TEXT);");
    EXPECT_EQ(db.execute("INSERT INTO t VALUES (?,?,?,?,?);",
                         {SQLValue(std::int64_t(1) << 40), 2.9, "héllo", QByteArray("\0\1", 2), SQLValue()}),
              1);
    const Row row = db.query("SELECT * FROM t;").front();
    EXPECT_EQ(row.integer("i"), std::int64_t(1) << 40);
    EXPECT_EQ(row.integer("r"), 2) << "a REAL truncates toward zero";
    EXPECT_EQ(row.real("i"), double(std::int64_t(1) << 40));
    EXPECT_EQ(row.string("s"), "héllo");
    EXPECT_FALSE(row.integer("s").has_value());
    EXPECT_EQ(row.data("b"), QByteArray("\0\1", 2));
    EXPECT_FALSE(row.string("n").has_value());
    EXPECT_FALSE(row.boolean("missing"));
    EXPECT_TRUE(db.query("SELECT * FROM t WHERE i = 0;").empty());
    EXPECT_EQ(db.execute("UPDATE t SET n = 'x';"), 1) << "no placeholders, no parameters";
}

// People read the description; the engine's message and the statement go to the log.
TEST_F(DatabaseTest, ErrorsAreWordedForPeopleAndKeepTheStatementForTheLog) {
    try {
        db.query("SELECT * FROM nowhere;");
        FAIL() << "expected a prepare failure";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::prepareFailed);
        EXPECT_FALSE(e.description().contains("SQL")) << e.description().toStdString();
        EXPECT_FALSE(e.description().contains("nowhere")) << e.description().toStdString();
        EXPECT_EQ(e.detail(), "no such table: nowhere\nSELECT * FROM nowhere;");
    }
    db.executeRaw("CREATE TABLE u (id TEXT PRIMARY KEY);");
    db.execute("INSERT INTO u VALUES ('a');");
    try {
        db.execute("INSERT INTO u VALUES ('a');");
        FAIL() << "expected a constraint failure";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::stepFailed);
        EXPECT_EQ(e.description(), "That clashes with something already in the library, so it wasn't saved.");
        EXPECT_TRUE(e.detail().startsWith("UNIQUE constraint failed: u.id\n"));
    }
    // The connection stays usable after errors.
    EXPECT_EQ(db.query("SELECT COUNT(*) AS n FROM u;").front().integer("n"), 1);
}

TEST_F(DatabaseTest, TransactionRollsBackTheWholeBodyAndRethrows) {
    db.executeRaw("CREATE TABLE t (v INTEGER);");
    struct Boom {};
    EXPECT_THROW(db.transaction([&] {
        db.execute("INSERT INTO t VALUES (1);");
        db.execute("INSERT INTO t VALUES (2);");
        throw Boom{};
    }),
                 Boom);
    EXPECT_EQ(db.query("SELECT COUNT(*) AS n FROM t;").front().integer("n"), 0);

    const int result = db.transaction([&] {
        db.execute("INSERT INTO t VALUES (3);");
        return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(db.query("SELECT COUNT(*) AS n FROM t;").front().integer("n"), 1);
}

TEST_F(DatabaseTest, NestedTransactionsCommitOrRollBackWithTheOuterOne) {
    db.executeRaw("CREATE TABLE t (v INTEGER);");
    struct Boom {};
    const auto values = [&] {
        QList<std::int64_t> found;
        for (const Row& row : db.query("SELECT v FROM t ORDER BY v;"))
            found << *row.integer("v");
        return found;
    };

    db.transaction([&] {
        db.execute("INSERT INTO t VALUES (1);");
        EXPECT_THROW(db.transaction([&] {
            db.execute("INSERT INTO t VALUES (2);");
            throw Boom{};
        }),
                     Boom);
        db.transaction([&] { db.execute("INSERT INTO t VALUES (3);"); });
    });
    EXPECT_EQ(values(), (QList<std::int64_t>{1, 3})) << "a failed inner part takes only its own rows";

    EXPECT_THROW(db.transaction([&] {
        db.transaction([&] { db.execute("INSERT INTO t VALUES (4);"); });
        throw Boom{};
    }),
                 Boom);
    EXPECT_EQ(values(), (QList<std::int64_t>{1, 3})) << "a finished inner part goes with the outer failure";
}

TEST(DatabaseOpen, UnopenableFileGivesOpenFailed) {
    TempDir dir;
    // A folder where the file should be cannot be opened as a database.
    QDir(dir.path()).mkdir("lib.sqlite");
    try {
        Database db(dir.file("lib.sqlite"));
        FAIL() << "expected openFailed";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), DatabaseError::Kind::openFailed);
        EXPECT_TRUE(e.description().startsWith("Zorvi couldn't ")) << e.description().toStdString();
    }
}

} // namespace
