#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/Database.h"
#include "store/Schema.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace {

// The library layouts as earlier releases wrote them, kept here independently
// of the migration so the two check each other.
const char* const layoutV1 = R"SQL(
CREATE TABLE projects (id TEXT PRIMARY KEY, name TEXT NOT NULL, color_hex TEXT NOT NULL DEFAULT '#6E7BF2',
  path TEXT, created_at REAL NOT NULL, updated_at REAL NOT NULL, remote_id TEXT,
  sync_state TEXT NOT NULL DEFAULT 'local', dirty INTEGER NOT NULL DEFAULT 0, deleted_at REAL);
CREATE TABLE captures (id TEXT PRIMARY KEY, created_at REAL NOT NULL, updated_at REAL NOT NULL,
  note TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT 'open', priority TEXT NOT NULL DEFAULT 'normal',
  project_id TEXT REFERENCES projects(id) ON DELETE SET NULL, image_path TEXT NOT NULL, thumb_path TEXT,
  image_width INTEGER NOT NULL DEFAULT 0, image_height INTEGER NOT NULL DEFAULT 0,
  image_bytes INTEGER NOT NULL DEFAULT 0, capture_mode TEXT NOT NULL DEFAULT 'region', app_name TEXT,
  app_bundle_id TEXT, window_title TEXT, url TEXT, display_name TEXT, claimed_by TEXT, claimed_at REAL,
  resolved_at REAL, resolution_ref TEXT, remote_id TEXT, sync_state TEXT NOT NULL DEFAULT 'local',
  dirty INTEGER NOT NULL DEFAULT 0, deleted_at REAL);
CREATE TABLE tags (id TEXT PRIMARY KEY, name TEXT NOT NULL, created_at REAL NOT NULL);
CREATE TABLE capture_tags (capture_id TEXT NOT NULL REFERENCES captures(id) ON DELETE CASCADE,
  tag_id TEXT NOT NULL REFERENCES tags(id) ON DELETE CASCADE, PRIMARY KEY (capture_id, tag_id));
CREATE TABLE comments (id TEXT PRIMARY KEY, capture_id TEXT NOT NULL REFERENCES captures(id) ON DELETE CASCADE,
  author TEXT NOT NULL, is_agent INTEGER NOT NULL DEFAULT 0, body TEXT NOT NULL, created_at REAL NOT NULL);
CREATE TABLE activity (id TEXT PRIMARY KEY, capture_id TEXT REFERENCES captures(id) ON DELETE CASCADE,
  kind TEXT NOT NULL, detail TEXT NOT NULL DEFAULT '', actor TEXT NOT NULL DEFAULT 'you', created_at REAL NOT NULL);
CREATE UNIQUE INDEX idx_projects_name ON projects(name) WHERE deleted_at IS NULL;
CREATE INDEX idx_projects_path ON projects(path);
CREATE INDEX idx_captures_project ON captures(project_id) WHERE deleted_at IS NULL;
CREATE UNIQUE INDEX idx_tags_name ON tags(name);
INSERT INTO projects (id, name, created_at, updated_at) VALUES ('PROJ-A', 'Website', 1, 1);
INSERT INTO captures (id, created_at, updated_at, note, project_id, image_path, thumb_path, image_width,
  image_height, image_bytes) VALUES ('CAP-1', 100, 100, 'first', 'PROJ-A', '2023/12/cap1.png', '2023/12/cap1.jpg',
  800, 600, 1234);
INSERT INTO captures (id, created_at, updated_at, note, image_path) VALUES ('cap-2', 200, 200, 'second', '');
INSERT INTO captures (id, created_at, updated_at, note, image_path, deleted_at)
  VALUES ('cap-3', 300, 300, 'gone', '2023/12/cap3.png', 350);
INSERT INTO tags VALUES ('TAG-X', 'ui', 1);
INSERT INTO capture_tags VALUES ('CAP-1', 'TAG-X');
INSERT INTO comments (id, capture_id, author, body, created_at) VALUES ('COM-1', 'CAP-1', 'you', 'hi', 150);
INSERT INTO activity (id, capture_id, kind, created_at) VALUES ('ACT-1', 'CAP-1', 'created', 100);
PRAGMA user_version = 1;
)SQL";

const char* const toV2 = R"SQL(
CREATE TABLE capture_images (id TEXT PRIMARY KEY, capture_id TEXT NOT NULL REFERENCES captures(id)
  ON DELETE CASCADE, position INTEGER NOT NULL DEFAULT 0, image_path TEXT NOT NULL, annotated_path TEXT,
  thumb_path TEXT, width INTEGER NOT NULL DEFAULT 0, height INTEGER NOT NULL DEFAULT 0,
  bytes INTEGER NOT NULL DEFAULT 0, annotation_json TEXT, created_at REAL NOT NULL, remote_id TEXT,
  sync_state TEXT NOT NULL DEFAULT 'local', dirty INTEGER NOT NULL DEFAULT 0);
INSERT INTO capture_images (id, capture_id, position, image_path, created_at)
  VALUES ('IMG-1', 'CAP-1', 0, '2023/12/cap1.png', 100);
INSERT INTO capture_images (id, capture_id, position, image_path, created_at)
  VALUES ('IMG-2', 'CAP-1', 1, '2023/12/img2.png', 101);
PRAGMA user_version = 2;
)SQL";

const char* const toV3 = R"SQL(
ALTER TABLE projects RENAME TO groups;
ALTER TABLE captures RENAME COLUMN project_id TO group_id;
DROP INDEX idx_projects_name;
DROP INDEX idx_projects_path;
DROP INDEX idx_captures_project;
CREATE UNIQUE INDEX idx_groups_name ON groups(name) WHERE deleted_at IS NULL;
PRAGMA user_version = 3;
)SQL";

const char* const toV4 = R"SQL(
ALTER TABLE captures ADD COLUMN display_scale REAL NOT NULL DEFAULT 0;
UPDATE captures SET display_scale = 2 WHERE id = 'CAP-1';
PRAGMA user_version = 4;
)SQL";

const QStringList twelveTables{"captures", "groups", "tags", "capture_tags", "comments", "activity",
                               "capture_images", "people", "workspaces", "group_members", "sync_meta", "sync_log"};

struct SchemaTest : ::testing::Test {
    TempDir dir;
    Database db{dir.file("library.sqlite")};

    std::int64_t version() { return db.query("PRAGMA user_version;").front().integer("user_version").value_or(-1); }
    std::int64_t count(const QString& sql) { return db.query(sql).front().integer("n").value_or(-1); }
    QSet<QString> tables() {
        QSet<QString> names;
        for (const Row& r : db.query("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%';"))
            names.insert(*r.string("name"));
        return names;
    }
    QString indexSql(const QString& name) {
        const auto rows = db.query("SELECT sql FROM sqlite_master WHERE name = ?;", {name});
        return rows.empty() ? QString() : rows.front().string("sql").value_or(QString());
    }
    void buildAt(int v) {
        const char* scripts[] = {layoutV1, toV2, toV3, toV4};
        for (int i = 0; i < v; ++i)
            db.executeRaw(scripts[i]);
    }
};

TEST_F(SchemaTest, NewLibraryGetsTheCurrentLayout) {
    Schema::migrate(db);
    EXPECT_EQ(version(), 5);
    EXPECT_EQ(tables(), QSet<QString>(twelveTables.begin(), twelveTables.end()));
    EXPECT_TRUE(indexSql("idx_groups_name").contains("COALESCE(workspace_id, ''), name"));

    // A name is unique among local groups, but a workspace group may share it.
    db.execute("INSERT INTO groups (id, name, created_at, updated_at) VALUES ('a', 'Design', 1, 1);");
    EXPECT_THROW(db.execute("INSERT INTO groups (id, name, created_at, updated_at) VALUES ('b', 'Design', 1, 1);"),
                 DatabaseError);
    db.execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id) VALUES ('c', 'Design', 1, 1, 'w');");

    // Migrating again changes nothing.
    Schema::migrate(db);
    EXPECT_EQ(version(), 5);
}

class SchemaUpgrade : public SchemaTest, public ::testing::WithParamInterface<int> {};

TEST_P(SchemaUpgrade, OlderLibraryKeepsEveryRowWithLowerCaseIds) {
    const int from = GetParam();
    buildAt(from);
    ASSERT_EQ(version(), from);
    Schema::migrate(db);
    EXPECT_EQ(version(), 5);
    EXPECT_EQ(tables(), QSet<QString>(twelveTables.begin(), twelveTables.end()));
    EXPECT_TRUE(indexSql("idx_groups_name").contains("COALESCE(workspace_id, ''), name"));

    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures;"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM groups WHERE id = 'proj-a' AND name = 'Website';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id = 'cap-1' AND group_id = 'proj-a';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_tags WHERE capture_id = 'cap-1' AND tag_id = 'tag-x';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM tags WHERE id = 'tag-x';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments WHERE id = 'com-1' AND capture_id = 'cap-1';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity WHERE id = 'act-1' AND capture_id = 'cap-1';"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id <> lower(id);"), 0);
    // Covers stay where they were.
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id = 'cap-1' AND image_path = '2023/12/cap1.png';"), 1);
    // The foreign keys are enforced again afterwards.
    EXPECT_EQ(db.query("PRAGMA foreign_keys;").front().integer("foreign_keys"), 1);
    EXPECT_TRUE(db.query("PRAGMA foreign_key_check;").empty());

    if (from == 1) {
        // Each live capture's single image moved in; the soft-deleted one did not.
        const auto images = db.query("SELECT * FROM capture_images ORDER BY created_at;");
        ASSERT_EQ(images.size(), 2u);
        EXPECT_EQ(images[0].string("capture_id"), "cap-1");
        EXPECT_EQ(images[0].string("image_path"), "2023/12/cap1.png");
        EXPECT_EQ(images[0].string("thumb_path"), "2023/12/cap1.jpg");
        EXPECT_EQ(images[0].integer("width"), 800);
        EXPECT_EQ(images[0].integer("bytes"), 1234);
        EXPECT_EQ(images[1].string("capture_id"), "cap-2");
        for (const Row& image : images) {
            EXPECT_EQ(image.integer("position"), 0);
            EXPECT_TRUE(QRegularExpression("^[0-9a-f]{32}$").match(*image.string("id")).hasMatch());
        }
    } else {
        EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_images WHERE capture_id = 'cap-1';"), 2);
        EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_images WHERE id = 'img-2' AND position = 1;"), 1);
    }
    if (from == 4) {
        EXPECT_EQ(db.query("SELECT display_scale FROM captures WHERE id = 'cap-1';").front().real("display_scale"), 2.0);
    }
}

INSTANTIATE_TEST_SUITE_P(FromEachVersion, SchemaUpgrade, ::testing::Values(1, 2, 3, 4));

TEST_F(SchemaTest, FailedStepLeavesTheVersionUnchanged) {
    buildAt(3);
    // A column that the display-scale step is about to add makes it fail.
    db.executeRaw("ALTER TABLE captures ADD COLUMN display_scale REAL;");
    EXPECT_THROW(Schema::migrate(db), DatabaseError);
    EXPECT_EQ(version(), 3);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures;"), 3);
}

TEST_F(SchemaTest, NewerLibraryIsLeftAlone) {
    db.executeRaw("CREATE TABLE future (x); PRAGMA user_version = 6;");
    Schema::migrate(db);
    EXPECT_EQ(version(), 6);
    EXPECT_EQ(tables(), QSet<QString>{"future"});
}

} // namespace
