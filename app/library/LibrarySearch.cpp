#include "LibrarySearch.h"

#include <QMetaObject>

LibrarySearch::LibrarySearch(QString databasePath, QObject* parent)
    : QObject(parent), databasePath_(std::move(databasePath)) {
    thread_.setObjectName("dev.zorvi.library-search");
    thread_.setMaxThreadCount(1);
}

LibrarySearch::~LibrarySearch() {
    thread_.waitForDone();
}

void LibrarySearch::find(const CaptureQuery& query) {
    if (running_) {
        waiting_ = query;
        return;
    }
    start(query);
}

void LibrarySearch::start(const CaptureQuery& query) {
    running_ = true;
    thread_.start([this, query] {
        std::shared_ptr<LibraryPage> page;
        QString failure;
        try {
            if (!connection_)
                connection_ = std::make_unique<CaptureStore>(databasePath_);
            page = std::make_shared<LibraryPage>(
                connection_->transaction([&] { return LibraryPage::read(*connection_, query); }));
        } catch (const std::exception& e) {
            failure = describe(e);
        }
        QMetaObject::invokeMethod(
            this,
            [this, query, page, failure] {
                running_ = false;
                if (std::optional<CaptureQuery> next = std::exchange(waiting_, std::nullopt)) {
                    start(*next);
                    return;
                }
                emit found(query, page, failure);
            },
            Qt::QueuedConnection);
    });
}
