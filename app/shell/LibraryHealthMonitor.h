#pragma once

#include "store/LibraryHealth.h"

#include <QObject>
#include <QTimer>

// Runs the library's integrity check off the UI thread soon after launch and
// then once a day, and says so when the library turns out damaged.
class LibraryHealthMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int firstCheckDelayMs = 5000;
    static constexpr int checkIntervalMs = 24 * 60 * 60 * 1000;

    explicit LibraryHealthMonitor(QString databasePath, QObject* parent = nullptr);

    // Starts a check now (the timers call this too); one at a time.
    void checkNow();

signals:
    // Only once per damaged state: a library that stays damaged is not reported every day.
    void damaged(const LibraryHealth::Report& report);

private:
    void finished(const LibraryHealth::Report& report);

    QString databasePath_;
    QTimer daily_;
    bool running_ = false;
    std::optional<LibraryHealth::Report> last_;
};
