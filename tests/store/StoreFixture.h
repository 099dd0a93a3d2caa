#pragma once

#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "common/Identifiers.h"

#include <gtest/gtest.h>

#include <QFile>

// A fresh library in a private folder, reached through ZORVI_HOME like the app does.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    }

    Capture newCapture(const QString& note = "A bug", const QString& imagePath = "") {
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = note;
        c.imagePath = imagePath;
        return c;
    }

    Comment newComment(const QString& captureID, const QString& body = "x") {
        Comment c;
        c.id = Identifiers::make();
        c.captureID = captureID;
        c.body = body;
        c.createdAt = QDateTime::currentDateTimeUtc();
        return c;
    }

    CaptureImage newImage(const QString& captureID, std::int64_t position = -1) {
        CaptureImage i;
        i.id = Identifiers::make();
        i.captureID = captureID;
        i.position = position;
        i.createdAt = QDateTime::currentDateTimeUtc();
        i.imagePath = ZorviPaths::relativeImagePath(i.id, i.createdAt, "png");
        i.thumbPath = ZorviPaths::relativeImagePath(i.id, i.createdAt, "jpg");
        i.width = 10;
        i.height = 20;
        i.bytes = 30;
        return i;
    }

    // Writes placeholder files for an image's original and thumbnail.
    static void touchFiles(const CaptureImage& image) {
        for (const QString& path : {ZorviPaths::imageFile(image.imagePath), ZorviPaths::thumbFile(*image.thumbPath)}) {
            ZorviPaths::ensureParentDirectory(path);
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
    }

    // A second connection to the library file: for rows no store operation
    // writes (a test's arrangement, an injected fault) and columns it does not return.
    Database& sql() {
        if (!sql_)
            sql_ = std::make_unique<Database>(ZorviPaths::databaseFile());
        return *sql_;
    }

    std::optional<QString> column(const QString& table, const QString& column, const QString& id) {
        const auto rows = sql().query("SELECT " + column + " AS v FROM " + table + " WHERE id = ?;", {id});
        return rows.empty() ? std::nullopt : rows.front().string("v");
    }

    std::int64_t count(const QString& statement, const std::vector<SQLValue>& params = {}) {
        return sql().query(statement, params).front().integer("n").value_or(-1);
    }

    TempDir home;
    std::unique_ptr<CaptureStore> store;

private:
    std::unique_ptr<Database> sql_;
};
