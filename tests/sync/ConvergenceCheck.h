#pragma once

// What two libraries that synced through the service must agree on, and the
// check that they do: every synced column of every live workspace row, the
// files behind every screenshot, and nothing refused on the way.
#include "SyncDevice.h"

#include "sync/ContentHash.h"
#include "store/CaptureStore.h"
#include "store/SyncLedger.h"
#include "store/ZorviPaths.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>

// Columns that are this computer's own bookkeeping, not synced: where its
// files are, whether a row waits to be pushed, and when it was last written
// here (a push is stamped by the service, not sent back to its pusher).
inline const QSet<QString> localColumns{"sync_state", "dirty",     "remote_id",  "pending", "image_path",
                                 "annotated_path", "thumb_path", "path", "local_only", "updated_at",
                                 "remote",     "image_width", "image_height", "image_bytes"};

// Every synced column of a table's live workspace rows, one text per row.
inline void addRows(Device& device, std::map<QString, QString>& rows, const QString& table, const QString& key,
             const QString& from) {
    QStringList values;
    for (const Row& column : device.sql().query(QString("PRAGMA table_info(%1);").arg(table)))
        if (const QString name = *column.string("name");
            !localColumns.contains(name))
            values << QString("'%1=' || quote(t.%1)").arg(name);
    for (const Row& r : device.sql().query(QString("SELECT %1 AS k, %2 AS v FROM %3;").arg(key, values.join(" || ' | ' || "), from)))
        rows[table + " " + *r.string("k")] = *r.string("v");
}

// What two libraries must agree on, as comparable text per row; with
// `sharedOnly`, leaving out private groups and what is filed in them.
inline std::map<QString, QString> snapshot(Device& device, bool sharedOnly = false) {
    std::map<QString, QString> rows;
    const QString seen = sharedOnly ? "g.visibility = 'workspace'" : "1";
    const QString liveCapture =
        QString("captures c LEFT JOIN groups g ON g.id = c.group_id WHERE c.workspace_id IS NOT NULL "
                "AND c.deleted_at IS NULL AND (c.group_id IS NULL OR %1)").arg(seen);
    addRows(device, rows, "captures", "t.id", "captures t WHERE t.id IN (SELECT c.id FROM " + liveCapture + ")");
    for (const char* child : {"capture_images", "comments", "activity"})
        addRows(device, rows, child, "t.id",
                QString("%1 t WHERE t.capture_id IN (SELECT c.id FROM %2)%3")
                    .arg(QLatin1String(child), liveCapture,
                         QLatin1String(child) == QLatin1String("capture_images") ? " AND t.deleted_at IS NULL" : ""));
    addRows(device, rows, "groups", "t.id",
            QString("groups t JOIN groups g ON g.id = t.id WHERE t.workspace_id IS NOT NULL AND t.deleted_at IS NULL "
                    "AND %1").arg(seen));
    addRows(device, rows, "group_members", "t.group_id || '/' || t.user_id",
            QString("group_members t JOIN groups g ON g.id = t.group_id WHERE g.workspace_id IS NOT NULL "
                    "AND g.deleted_at IS NULL AND %1").arg(seen));
    for (const Row& r : device.sql().query(
             "SELECT ct.capture_id AS id, group_concat(tg.name) AS names FROM (SELECT * FROM capture_tags "
             "ORDER BY tag_id) ct JOIN tags tg ON tg.id = ct.tag_id GROUP BY ct.capture_id;"))
        if (rows.count("captures " + *r.string("id"))) {
            QStringList tags = r.string("names").value_or("").split(',');
            tags.sort();
            rows["captures " + *r.string("id")] += " | tags=" + tags.join(',');
        }
    return rows;
}

inline int pendingRows(Device& device) {
    CaptureStore& store = device.store();
    int n = 0;
    for (const char* table : {"captures", "capture_images", "groups", "comments"})
        n += int(device.sql().query(QString("SELECT id FROM %1 WHERE sync_state = 'pendingPush';").arg(table)).size());
    return n + int(SyncLedger(store).imagesAwaitingDownload(1000).size());
}

// Every live image's files hold the bytes their hashes name: the original,
// and the marked copy while there are marks (and none once they are cleared).
inline void expectImagesMatchHashes(Device& device) {
    device.use();
    auto expectFile = [&](const QString& relative, const QString& sha) {
        QFile f(ZorviPaths::imageFile(relative));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << device.name().toStdString() << " misses " << f.fileName().toStdString();
        EXPECT_EQ(ContentHash::sha256(f.readAll()), sha) << device.name().toStdString() << ": " << relative.toStdString();
    };
    for (const Row& r : device.sql().query("SELECT ci.image_path, ci.original_sha256, ci.annotated_path, "
                                         "ci.marked_sha256, ci.annotation_json FROM capture_images ci "
                                         "JOIN captures c ON c.id = ci.capture_id WHERE ci.deleted_at IS NULL "
                                         "AND c.deleted_at IS NULL AND c.workspace_id IS NOT NULL;")) {
        expectFile(r.string("image_path").value_or(""), r.string("original_sha256").value_or(""));
        const std::optional<QString> marked = r.string("marked_sha256");
        EXPECT_EQ(marked.has_value(), r.string("annotation_json").has_value()) << device.name().toStdString();
        EXPECT_EQ(marked.has_value(), r.string("annotated_path").has_value()) << device.name().toStdString();
        if (marked && r.string("annotated_path"))
            expectFile(*r.string("annotated_path"), *marked);
    }
}

// Syncs both computers until neither has anything left to push or fetch.
inline void settle(Device& a, Device& b) {
    for (int round = 0; round < 30 && (pendingRows(a) + pendingRows(b) > 0 || round < 2); ++round) {
        a.sync();
        b.sync();
    }
    a.sync(); // picks up what B pushed last
}

// A computer that starts from nothing takes everything the service has.
inline void pullEverything(Device& fresh) {
    for (int round = 0; round < 30 && (round < 1 || pendingRows(fresh) > 0); ++round)
        fresh.sync();
}

// Every row where the two views differ, as a test failure naming both values.
inline void expectSameRows(const std::map<QString, QString>& one, const std::map<QString, QString>& other,
                           const char* names) {
    for (const auto& [key, value] : one)
        if (!other.count(key) || other.at(key) != value)
            ADD_FAILURE() << names << ": " << key.toStdString() << "\n  " << value.toStdString() << "\n  "
                          << (other.count(key) ? other.at(key).toStdString() : "<missing>");
    for (const auto& [key, value] : other)
        if (!one.count(key))
            ADD_FAILURE() << names << ": " << key.toStdString() << " only in the second\n  " << value.toStdString();
}

// A row given up on after its retries drops what was pending on it; only an
// edit of something the other person deleted may be refused. A pulled row
// that could not be placed is lost to that computer.
inline void expectNothingRefused(Device& device) {
    for (const Row& r : device.sql().query("SELECT message FROM sync_log WHERE (message LIKE '%rejected:%' "
                                           "AND message NOT LIKE '%deleted%') OR message LIKE 'Couldn''t apply%';"))
        ADD_FAILURE() << device.name().toStdString() << ": " << r.string("message").value_or("").toStdString();
}
