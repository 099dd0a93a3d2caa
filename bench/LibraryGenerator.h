#pragma once

#include "store/CaptureStore.h"
#include "store/Database.h"

#include <QTemporaryDir>

#include <memory>

// A library of `count` captures in a private folder, written in one
// statement so benchmarks spend their setup time on nothing else.
struct GeneratedLibrary {
    QTemporaryDir dir;
    std::unique_ptr<CaptureStore> store;
    // A second connection to the same file, for arranging rows in bulk.
    std::unique_ptr<Database> sql;

    explicit GeneratedLibrary(int count) {
        qputenv("ZORVI_HOME", dir.path().toUtf8());
        store = std::make_unique<CaptureStore>(dir.filePath("zorvi.sqlite"));
        sql = std::make_unique<Database>(dir.filePath("zorvi.sqlite"));
        sql->execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
            "INSERT INTO captures (id, created_at, updated_at, note, status, priority, image_path, thumb_path, "
            "image_width, image_height, image_bytes, capture_mode, app_name, window_title, display_scale, "
            "deleted_at) "
            "SELECT printf('%08x-0000-4000-8000-%012x', i, i), 1700000000 + i * 37, 1700000000 + i * 37, "
            "'Capture number ' || i || char(10) || 'Steps to reproduce: open the page and click the button.', "
            "CASE i % 4 WHEN 0 THEN 'open' WHEN 1 THEN 'in_progress' WHEN 2 THEN 'resolved' ELSE 'open' END, "
            "CASE i % 10 WHEN 0 THEN 'high' WHEN 1 THEN 'low' ELSE 'normal' END, "
            "printf('2024/01/%d.png', i), printf('2024/01/%d.jpg', i), 1920, 1080, 250000, 'region', "
            "'Firefox', 'Dashboard — Example', 2, CASE WHEN i % 50 = 0 THEN 1700000000 ELSE NULL END FROM n;",
            {count});
        // Statistics as the store gathers them when it next opens a library this size.
        sql->executeRaw("ANALYZE;");
    }
};
