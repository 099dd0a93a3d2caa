#include "shell/LibraryHealthMonitor.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

LibraryHealthMonitor::LibraryHealthMonitor(QString databasePath, QObject* parent)
    : QObject(parent), databasePath_(std::move(databasePath)) {
    QTimer::singleShot(firstCheckDelayMs, this, &LibraryHealthMonitor::checkNow);
    daily_.setInterval(checkIntervalMs);
    connect(&daily_, &QTimer::timeout, this, &LibraryHealthMonitor::checkNow);
    daily_.start();
}

void LibraryHealthMonitor::checkNow() {
    if (running_)
        return;
    running_ = true;
    QPointer<LibraryHealthMonitor> self(this);
    QThreadPool::globalInstance()->start([self, path = databasePath_] {
        const LibraryHealth::Report report = LibraryHealth::check(path);
        // QPointer is only read on the main thread, inside the queued call.
        QMetaObject::invokeMethod(
            qApp, [self, report] {
                if (self)
                    self->finished(report);
            },
            Qt::QueuedConnection);
    });
}

void LibraryHealthMonitor::finished(const LibraryHealth::Report& report) {
    running_ = false;
    const bool wasSound = !last_ || last_->sound;
    last_ = report;
    if (!report.sound && wasSound)
        emit damaged(report);
}
