#include "SyncEventStream.h"

#include "SyncClient.h"

#include "store/CaptureStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <algorithm>

SyncEventStream::SyncEventStream(CaptureStore& store, SyncClient& client, std::function<bool()> running,
                                 std::function<void()> wantRun, QObject* parent)
    : QObject(parent), store_(store), client_(client), running_(std::move(running)), wantRun_(std::move(wantRun)),
      debounce_(new QTimer(this)), retry_(new QTimer(this)) {
    debounce_->setSingleShot(true);
    retry_->setSingleShot(true);
    connect(debounce_, &QTimer::timeout, this, &SyncEventStream::changed);
    connect(retry_, &QTimer::timeout, this, &SyncEventStream::open);
}

SyncEventStream::~SyncEventStream() = default;

void SyncEventStream::open() {
    if (reply_) {
        QNetworkReply* old = std::exchange(reply_, nullptr);
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    open_ = true;
    if (!client_.token())
        return;
    if (!session_)
        session_ = std::make_unique<QNetworkAccessManager>();
    buffer_.clear();
    reply_ = session_->get(client_.events());
    connect(reply_, &QNetworkReply::readyRead, this, &SyncEventStream::read);
    connect(reply_, &QNetworkReply::finished, this, &SyncEventStream::ended);
}

void SyncEventStream::close() {
    open_ = false;
    debounce_->stop();
    retry_->stop();
    if (reply_) {
        QNetworkReply* reply = std::exchange(reply_, nullptr);
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void SyncEventStream::read() {
    if (!reply_ || reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    buffer_ += reply_->readAll();
    qsizetype newline;
    while ((newline = buffer_.indexOf('\n')) >= 0) {
        const QByteArray line = buffer_.left(newline);
        buffer_.remove(0, newline + 1);
        if (!line.startsWith("data: "))
            continue;
        const QJsonValue cursor = QJsonDocument::fromJson(line.mid(6)).object().value("cursor");
        cursor_ = std::max(cursor_, cursor.isDouble() ? qint64(cursor.toDouble()) : pulledCursor() + 1);
        if (client_.token() && !debounce_->isActive())
            debounce_->start(debounceMs);
    }
}

qint64 SyncEventStream::pulledCursor() {
    try {
        return store_.syncMeta("cursor").value_or(QStringLiteral("0")).toLongLong();
    } catch (const std::exception&) {
        return 0;
    }
}

// An event names the feed position of the change; one this library has
// pulled already (its own push, whose reply brought the cursor past it) asks
// for nothing. During a run the reply that may cover it is still awaited.
void SyncEventStream::changed() {
    if (running_())
        debounce_->start(debounceMs);
    else if (cursor_ > pulledCursor())
        wantRun_();
}

void SyncEventStream::ended() {
    if (reply_) {
        reply_->deleteLater();
        reply_ = nullptr;
    }
    if (open_)
        retry_->start(retryMs);
}
