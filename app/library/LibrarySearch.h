#pragma once

#include "LibraryPage.h"

#include <QObject>
#include <QThreadPool>

#include <memory>
#include <optional>

// Runs the board's searches and filters in the store, on a thread and a
// connection of its own, so a library larger than the board loads is
// searched without holding up the UI thread. One query runs at a time; a
// query asked for meanwhile replaces any other waiting, and the answer to a
// query overtaken that way is dropped.
class LibrarySearch : public QObject {
    Q_OBJECT
public:
    explicit LibrarySearch(QString databasePath, QObject* parent = nullptr);
    // Waits for a query in flight; its answer is dropped.
    ~LibrarySearch() override;

    void find(const CaptureQuery& query);
    // True from find() until the answer to the last query asked for arrives.
    bool busy() const { return running_ || waiting_; }

signals:
    // `page` is null when the read failed (then `failure` says why, in words).
    void found(const CaptureQuery& query, std::shared_ptr<LibraryPage> page, const QString& failure);

private:
    void start(const CaptureQuery& query);

    const QString databasePath_;
    // Opened on first use by the searching thread; used by one query at a time.
    std::unique_ptr<CaptureStore> connection_;
    bool running_ = false;
    std::optional<CaptureQuery> waiting_;
    QThreadPool thread_;
};
