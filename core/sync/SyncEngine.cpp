#include "SyncEngine.h"

#include "SyncError.h"

#include "common/Wire.h"
#include "store/CaptureStore.h"
#include "store/StoreChangeSignal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

namespace {

std::optional<QDateTime> metaDate(CaptureStore& store, const QString& key) {
    try {
        const std::optional<QString> text = store.syncMeta(key);
        return text ? Wire::date(QJsonValue(*text)) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

SyncEngine::SyncEngine(CaptureStore& store, const QUrl& baseURL, QString deviceName,
                       std::optional<QString> appVersion, std::unique_ptr<TokenStore> tokens)
    : connection_(std::make_unique<CaptureStore>(store.databasePath())), store_(*connection_), ledger_(store_),
      client_(std::make_unique<SyncClient>(baseURL, std::nullopt)),
      account_(store_, *client_, std::move(tokens), std::move(deviceName), std::move(appVersion)),
      blobs_(store_, *client_), cycle_(store_, *client_, blobs_), reconcile_(store_, *client_),
      scheduler_(new SyncRunScheduler([this] { return runOnce(); }, [this] { return isSignedIn(); },
                                      [this](const SyncStatus& status) { setStatus(status); }, this)),
      events_(new SyncEventStream(store_, *client_, [this] { return scheduler_->isRunning(); },
                                  [this] { scheduler_->request(); }, this)) {
    qRegisterMetaType<SyncStatus>();
    qRegisterMetaType<DeviceCode>();
    lastSync_ = metaDate(store_, "last_sync");
    // Until the keyring answers, a library that was signed in shows as such.
    status_ = account_.wasSignedIn() ? SyncStatus::idle(lastSync_) : SyncStatus::signedOut();
    cycle_.refreshAccount = [this] { account_.refresh(); };
    cycle_.refused = [this](const QString& table, const QString& id, const QString& reason, bool staysLocal) {
        emit changeRefused(table, id, reason, staysLocal);
    };
    connect(scheduler_, &SyncRunScheduler::settled, this, &SyncEngine::syncSettled);

    thread_.setObjectName("SyncEngine");
    moveToThread(&thread_);
    client_->moveToThread(&thread_);
    thread_.start();
    // A locked keyring may wait for its password; the caller must not. Being
    // queued first, the read is done before any slot that needs the token.
    QMetaObject::invokeMethod(this, &SyncEngine::readToken, Qt::QueuedConnection);
}

void SyncEngine::readToken() {
    account_.readToken();
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

quint64 SyncEngine::requestSync() {
    const quint64 ticket = scheduler_->nextTicket();
    QMetaObject::invokeMethod(this, [this, ticket] { scheduler_->request(ticket); }, Qt::QueuedConnection);
    return ticket;
}

// MARK: lifecycle

void SyncEngine::start() {
    if (!isSignedIn() || started_)
        return;
    started_ = true;
    scheduler_->start();
    events_->open();
    QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                          StoreChangeSignal::member, this, SLOT(storeChanged(QDBusMessage)));
}

void SyncEngine::stop() {
    if (started_)
        QDBusConnection::sessionBus().disconnect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                                 StoreChangeSignal::member, this, SLOT(storeChanged(QDBusMessage)));
    started_ = false;
    scheduler_->stop();
    events_->close();
}

void SyncEngine::noteLocalChange() {
    scheduler_->noteLocalChange();
}

void SyncEngine::storeChanged(const QDBusMessage& message) {
    if (message.service() != QDBusConnection::sessionBus().baseService())
        noteLocalChange();
}

// MARK: one run

std::optional<SyncStatus> SyncEngine::runOnce() {
    try {
        account_.refreshIfDue();
        for (int cycles = 1; cycle_.run() && cycles < cyclesPerRun; ++cycles) {
        }
        if (!isSignedIn())
            return std::nullopt;
        blobs_.downloadPendingImages();
        if (reconcile_.runIfDue())
            scheduler_->runAgain();
        if (!isSignedIn())
            return std::nullopt;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        lastSync_ = now;
        try {
            ledger_.setSyncMeta("last_sync", Wire::stamp(now).toString());
        } catch (const std::exception&) {
        }
        return SyncStatus::idle(lastSync_);
    } catch (const SyncError& e) {
        if (!isSignedIn())
            return std::nullopt; // signed out while this run waited on the network
        if (e.kind() == SyncError::Kind::unauthorized) {
            ledger_.log("warn", "Session rejected by the server; signed out");
            stop();
            account_.forgetToken();
            return SyncStatus::sessionExpired();
        }
        if (e.kind() == SyncError::Kind::offline)
            return SyncStatus::offline(e.message());
        ledger_.log("error", e.description());
        return SyncStatus::failed(e.description());
    } catch (const std::exception& e) {
        if (!isSignedIn())
            return std::nullopt;
        ledger_.log("error", describe(e));
        return SyncStatus::failed(describe(e));
    }
}

// MARK: account

void SyncEngine::setDefaultWorkspace(const std::optional<QString>& workspaceID) {
    account_.setDefaultWorkspace(workspaceID);
    emit accountChanged();
}

void SyncEngine::adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids) {
    account_.adoptLocalCaptures(workspaceID, ids);
    emit accountChanged();
    scheduler_->request();
}

void SyncEngine::signIn(const CancelFlag& cancel) {
    try {
        account_.signIn(cancel, [this](const DeviceCode& code) { emit signInCode(code); });
        setStatus(SyncStatus::idle(lastSync_));
        start();
        emit signInFinished({});
        QTimer::singleShot(0, this, [this] { account_.registerDevice(); });
    } catch (const Cancelled&) {
        emit signInFinished({});
    } catch (const std::exception& e) {
        emit signInFinished(describe(e));
    }
}

void SyncEngine::signOut() {
    stop();
    account_.signOut();
    lastSync_.reset();
    setStatus(SyncStatus::signedOut());
    emit signedOut();
}
