#include "SyncEngine.h"

#include "DeviceSignIn.h"
#include "SyncError.h"
#include "common/Wire.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/StoreChangeSignal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace {

std::optional<QDateTime> metaDate(CaptureStore& store, const QString& key) {
    try {
        const std::optional<QString> text = store.syncMeta(key);
        return text ? Wire::date(QJsonValue(*text)) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QString stampText(const QDateTime& at) {
    return Wire::stamp(at).toString();
}

} // namespace

SyncEngine::SyncEngine(CaptureStore& store, const QUrl& baseURL, QString deviceName,
                       std::optional<QString> appVersion, std::unique_ptr<TokenStore> tokens)
    : connection_(std::make_unique<CaptureStore>(store.databasePath())), store_(*connection_), ledger_(store_),
      remote_(store_), tokens_(std::move(tokens)), client_(std::make_unique<SyncClient>(baseURL, std::nullopt)),
      blobs_(store_, *client_), cycle_(store_, *client_, blobs_), deviceName_(std::move(deviceName)),
      appVersion_(std::move(appVersion)), loopTimer_(new QTimer(this)), debounceTimer_(new QTimer(this)),
      eventTimer_(new QTimer(this)), eventsRetryTimer_(new QTimer(this)),
      eventsSession_(std::make_unique<QNetworkAccessManager>()) {
    qRegisterMetaType<SyncStatus>();
    qRegisterMetaType<DeviceCode>();
    lastSync_ = metaDate(store_, "last_sync");
    // Until the keyring answers, a library that was signed in shows as such.
    try {
        status_ = store_.syncMeta("user_id") ? SyncStatus::idle(lastSync_) : SyncStatus::signedOut();
    } catch (const std::exception&) {
        status_ = SyncStatus::signedOut();
    }
    cycle_.refreshAccount = [this] { refreshAccount(); };
    cycle_.refused = [this](const QString& table, const QString& id, const QString& reason, bool staysLocal) {
        emit changeRefused(table, id, reason, staysLocal);
    };

    for (QTimer* timer : {loopTimer_, debounceTimer_, eventTimer_, eventsRetryTimer_})
        timer->setSingleShot(true);
    connect(loopTimer_, &QTimer::timeout, this, &SyncEngine::loopTick);
    connect(debounceTimer_, &QTimer::timeout, this, &SyncEngine::requestRun);
    connect(eventTimer_, &QTimer::timeout, this, &SyncEngine::serverChanged);
    connect(eventsRetryTimer_, &QTimer::timeout, this, &SyncEngine::startEvents);

    thread_.setObjectName("SyncEngine");
    moveToThread(&thread_);
    client_->moveToThread(&thread_);
    eventsSession_->moveToThread(&thread_);
    thread_.start();
    // A locked keyring may wait for its password; the caller must not. Being
    // queued first, the read is done before any slot that needs the token.
    QMetaObject::invokeMethod(this, &SyncEngine::readToken, Qt::QueuedConnection);
}

void SyncEngine::readToken() {
    client_->setToken(tokens_->read());
    const SyncStatus read = isSignedIn() ? SyncStatus::idle(lastSync_) : SyncStatus::signedOut();
    if (read.kind != currentStatus().kind)
        setStatus(read);
}

SyncEngine::~SyncEngine() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            stop();
            thread_.quit(); // also ends a run waiting on the network
        },
        Qt::BlockingQueuedConnection);
    thread_.wait();
}

SyncStatus SyncEngine::currentStatus() const {
    std::lock_guard guard(statusLock_);
    return status_;
}

void SyncEngine::setStatus(const SyncStatus& status) {
    {
        std::lock_guard guard(statusLock_);
        status_ = status;
    }
    emit statusChanged(status);
}

// MARK: lifecycle

void SyncEngine::start() {
    if (!isSignedIn() || started_)
        return;
    started_ = true;
    loopTimer_->start(0);
    startEvents();
    QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                          StoreChangeSignal::member, this, SLOT(storeChanged(QDBusMessage)));
}

void SyncEngine::stop() {
    if (started_)
        QDBusConnection::sessionBus().disconnect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                                 StoreChangeSignal::member, this, SLOT(storeChanged(QDBusMessage)));
    started_ = false;
    loopTimer_->stop();
    debounceTimer_->stop();
    eventTimer_->stop();
    eventsRetryTimer_->stop();
    if (events_) {
        QNetworkReply* reply = std::exchange(events_, nullptr);
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void SyncEngine::loopTick() {
    requestRun();
    if (started_)
        loopTimer_->start(loopIntervalMs);
}

void SyncEngine::noteLocalChange() {
    if (isSignedIn())
        debounceTimer_->start(debounceMs);
}

void SyncEngine::storeChanged(const QDBusMessage& message) {
    if (message.service() != QDBusConnection::sessionBus().baseService())
        noteLocalChange();
}

void SyncEngine::syncNow() {
    requestRun();
}

void SyncEngine::requestRun() {
    if (!isSignedIn())
        return;
    if (syncing_) {
        wantsAnother_ = true;
        return;
    }
    syncing_ = true;
    wantsAnother_ = false;
    runOnce();
    while (wantsAnother_ && isSignedIn()) {
        wantsAnother_ = false;
        runOnce();
    }
    syncing_ = false;
}

void SyncEngine::runOnce() {
    setStatus(SyncStatus::syncing());
    try {
        if (!lastAccountRefresh_ || lastAccountRefresh_->secsTo(QDateTime::currentDateTimeUtc()) >= accountRefreshSecs)
            refreshAccount();
        for (int cycles = 1; cycle_.run() && cycles < cyclesPerRun; ++cycles) {
        }
        if (!isSignedIn())
            return;
        blobs_.downloadPendingImages();
        reconcileIfDue();
        if (!isSignedIn())
            return;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        lastSync_ = now;
        try {
            ledger_.setSyncMeta("last_sync", stampText(now));
        } catch (const std::exception&) {
        }
        setStatus(SyncStatus::idle(lastSync_));
    } catch (const SyncError& e) {
        if (!isSignedIn())
            return; // signed out while this run waited on the network
        if (e.kind() == SyncError::Kind::unauthorized) {
            ledger_.log("warn", "Session rejected by the server; signed out");
            dropSession();
            setStatus(SyncStatus::sessionExpired());
        } else if (e.kind() == SyncError::Kind::offline) {
            setStatus(SyncStatus::offline(e.message()));
        } else {
            ledger_.log("error", e.description());
            setStatus(SyncStatus::failed(e.description()));
        }
    } catch (const std::exception& e) {
        if (!isSignedIn())
            return;
        ledger_.log("error", describe(e));
        setStatus(SyncStatus::failed(describe(e)));
    }
}

void SyncEngine::dropSession() {
    stop();
    client_->setToken(std::nullopt);
    tokens_->remove();
}

// MARK: account

void SyncEngine::refreshAccount() {
    const AccountInfo info = client_->me();
    ledger_.setSyncMeta("user_id", info.user.id);
    ledger_.setSyncMeta("user_name", info.user.name);
    remote_.upsertPerson(info.user);
    remote_.replaceWorkspaces(info.workspaces);
    const std::optional<QString> current = store_.syncMeta("default_workspace_id");
    const bool listed = current && std::any_of(info.workspaces.begin(), info.workspaces.end(),
                                               [&](const Workspace& w) { return w.id == *current; });
    if (!listed)
        ledger_.setSyncMeta("default_workspace_id", info.workspaces.empty()
                                                       ? std::nullopt
                                                       : std::optional<QString>(info.workspaces.front().id));
    lastAccountRefresh_ = QDateTime::currentDateTimeUtc();
}

void SyncEngine::reconcileIfDue() {
    const std::optional<QDateTime> last = metaDate(store_, "last_reconcile");
    if (last && last->secsTo(QDateTime::currentDateTimeUtc()) < reconcileSecs)
        return;
    // In pages the service accepts; a capture is missing here only when no
    // page held it.
    const QStringList held = ledger_.syncedCaptureIDs();
    SyncClient::Reconciliation answer;
    std::optional<QSet<QString>> missing;
    for (qsizetype first = 0; first == 0 || first < held.size(); first += reconcilePage) {
        const SyncClient::Reconciliation page = client_->reconcile(held.mid(first, reconcilePage));
        answer.drop += page.drop;
        answer.unknown += page.unknown;
        const QSet<QString> lacking(page.missing.begin(), page.missing.end());
        missing = missing ? missing->intersect(lacking) : lacking;
    }
    answer.missing = missing->values();
    for (const QString& id : answer.drop)
        remote_.dropCapture(id);
    if (!answer.unknown.isEmpty()) {
        ledger_.log("info", QString::number(answer.unknown.size()) + " captures unknown to the server; sending them again");
        ledger_.pushAgain(answer.unknown);
        wantsAnother_ = true;
    }
    if (!answer.missing.isEmpty()) {
        ledger_.log("info", QString::number(answer.missing.size()) + " captures missing locally; pulling everything again");
        ledger_.setSyncMeta("cursor", QString("0"));
        wantsAnother_ = true;
    }
    ledger_.setSyncMeta("last_reconcile", stampText(QDateTime::currentDateTimeUtc()));
    if (!answer.drop.isEmpty())
        store_.postDidChange();
}

void SyncEngine::setDefaultWorkspace(const std::optional<QString>& workspaceID) {
    try {
        ledger_.setSyncMeta("default_workspace_id", workspaceID);
    } catch (const std::exception&) {
    }
    emit accountChanged();
}

void SyncEngine::adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids) {
    QStringList chosen;
    if (ids) {
        chosen = *ids;
    } else {
        try {
            for (const Capture& capture : store_.localCaptures())
                chosen.append(capture.id);
        } catch (const std::exception&) {
        }
    }
    for (const QString& id : chosen) {
        try {
            ledger_.adopt(id, workspaceID);
        } catch (const std::exception&) {
        }
    }
    emit accountChanged();
    requestRun();
}

// MARK: sign-in and sign-out

void SyncEngine::signIn(const CancelFlag& cancel) {
    try {
        const DeviceCode code = client_->requestDeviceCode();
        emit signInCode(code);
        DeviceSignIn::waitForToken(*client_, *tokens_, code, cancel);
        activate(client_->me());
        start();
        emit signInFinished({});
    } catch (const Cancelled&) {
        emit signInFinished({});
    } catch (const std::exception& e) {
        emit signInFinished(describe(e));
    }
}

void SyncEngine::activate(const AccountInfo& info) {
    ledger_.setSyncMeta("user_id", info.user.id);
    ledger_.setSyncMeta("user_name", info.user.name);
    ledger_.setSyncMeta("user_email", info.user.email);
    if (!store_.syncMeta("device_id"))
        ledger_.setSyncMeta("device_id", Identifiers::make());
    remote_.upsertPerson(info.user);
    remote_.replaceWorkspaces(info.workspaces);
    if (!store_.syncMeta("default_workspace_id") && !info.workspaces.empty())
        ledger_.setSyncMeta("default_workspace_id", info.workspaces.front().id);
    lastAccountRefresh_ = QDateTime::currentDateTimeUtc();
    setStatus(SyncStatus::idle(lastSync_));
    QTimer::singleShot(0, this, &SyncEngine::registerDevice);
}

void SyncEngine::registerDevice() {
    try {
        if (const std::optional<QString> id = store_.syncMeta("device_id"))
            client_->registerDevice(*id, deviceName_, QStringLiteral("linux"), appVersion_);
    } catch (const std::exception&) {
        // The service learns about the device on a later sign-in.
    }
}

void SyncEngine::signOut() {
    stop();
    client_->signOut();
    client_->setToken(std::nullopt);
    tokens_->remove();
    try {
        remote_.purgeAccountData();
        store_.postDidChange();
    } catch (const std::exception&) {
    }
    lastSync_.reset();
    setStatus(SyncStatus::signedOut());
    emit signedOut();
}

// MARK: live events

void SyncEngine::startEvents() {
    if (events_) {
        QNetworkReply* old = std::exchange(events_, nullptr);
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    if (!started_ || !isSignedIn())
        return;
    eventsBuffer_.clear();
    events_ = eventsSession_->get(client_->events());
    connect(events_, &QNetworkReply::readyRead, this, &SyncEngine::readEvents);
    connect(events_, &QNetworkReply::finished, this, &SyncEngine::eventsEnded);
}

void SyncEngine::readEvents() {
    if (!events_ || events_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    eventsBuffer_ += events_->readAll();
    qsizetype newline;
    while ((newline = eventsBuffer_.indexOf('\n')) >= 0) {
        const QByteArray line = eventsBuffer_.left(newline);
        eventsBuffer_.remove(0, newline + 1);
        if (!line.startsWith("data: "))
            continue;
        const QJsonValue cursor = QJsonDocument::fromJson(line.mid(6)).object().value("cursor");
        eventCursor_ = std::max(eventCursor_, cursor.isDouble() ? qint64(cursor.toDouble()) : pulledCursor() + 1);
        if (isSignedIn() && !eventTimer_->isActive())
            eventTimer_->start(eventDebounceMs);
    }
}

qint64 SyncEngine::pulledCursor() {
    try {
        return store_.syncMeta("cursor").value_or(QStringLiteral("0")).toLongLong();
    } catch (const std::exception&) {
        return 0;
    }
}

// An event names the feed position of the change; one this library has
// pulled already (its own push, whose reply brought the cursor past it) asks
// for nothing. During a run the reply that may cover it is still awaited.
void SyncEngine::serverChanged() {
    if (syncing_)
        eventTimer_->start(eventDebounceMs);
    else if (eventCursor_ > pulledCursor())
        requestRun();
}

void SyncEngine::eventsEnded() {
    if (events_) {
        events_->deleteLater();
        events_ = nullptr;
    }
    if (started_)
        eventsRetryTimer_->start(eventsRetryMs);
}
