#include "LibraryReader.h"

#include <QMetaObject>

LibraryReader::LibraryReader(QString databasePath, QObject* parent)
    : QObject(parent), databasePath_(std::move(databasePath)) {
    thread_.setObjectName("dev.zorvi.library-reader");
    thread_.setMaxThreadCount(1);
}

LibraryReader::~LibraryReader() {
    thread_.waitForDone();
}

void LibraryReader::read(const QString& shownStamp) {
    busy_ = true;
    thread_.start([this, shownStamp] {
        std::shared_ptr<LibrarySnapshot> snapshot;
        QString failure;
        bool moved = false;
        try {
            if (!connection_)
                connection_ = std::make_unique<CaptureStore>(databasePath_);
            // The stamp alone is cheap; most signals are for writes already shown.
            moved = connection_->changeStamp() != shownStamp;
        } catch (const std::exception&) {
            // An unreadable stamp is not worth an error on screen; the next signal or tick tries again.
        }
        try {
            if (moved)
                snapshot = std::make_shared<LibrarySnapshot>(LibrarySnapshot::read(*connection_));
        } catch (const std::exception& e) {
            failure = describe(e);
        }
        QMetaObject::invokeMethod(
            this,
            [this, snapshot, failure] {
                busy_ = false;
                emit finished(snapshot, failure);
            },
            Qt::QueuedConnection);
    });
}
