#include "Account.h"

#include "store/CaptureStore.h"
#include "sync/KeychainTokenStore.h"
#include "sync/ServiceURLs.h"
#include "sync/SyncEngine.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QSysInfo>

namespace {

// The recent past for the account tab; the whole log stays in the library.
constexpr int logLines = 60;

} // namespace

Account::Account(CaptureStore& store, std::unique_ptr<TokenStore> tokens, URLOpener openURL, QObject* parent)
    : QObject(parent), store_(store),
      openURL_(openURL ? std::move(openURL) : URLOpener([](const QUrl& url) { QDesktopServices::openUrl(url); })) {
    const ServiceURLs::ApiBase api = ServiceURLs::apiBase();
    if (api.url.isEmpty()) {
        configurationProblem_ = api.problem;
        status_ = SyncStatus::failed(api.problem);
    } else {
        if (!tokens)
            tokens = std::make_unique<KeychainTokenStore>();
        QString host = QSysInfo::machineHostName();
        const QString version = QCoreApplication::applicationVersion();
        engine_ = std::make_unique<SyncEngine>(store_, api.url, host.isEmpty() ? QStringLiteral("Linux") : host,
                                               version.isEmpty() ? std::nullopt : std::optional<QString>(version),
                                               std::move(tokens));
        connect(engine_.get(), &SyncEngine::statusChanged, this, &Account::setStatus);
        connect(engine_.get(), &SyncEngine::syncSettled, this, &Account::syncSettled);
        connect(engine_.get(), &SyncEngine::signInCode, this, [this](const DeviceCode& code) {
            if (!signInCancel_ || signInCancel_->isCancelled())
                return;
            pendingCode_ = code;
            openApproval();
            emit changed();
        });
        connect(engine_.get(), &SyncEngine::signInFinished, this, [this](const QString& error) {
            signInCancel_.reset();
            pendingCode_.reset();
            if (!error.isEmpty())
                signInError_ = error;
            reload();
        });
        connect(engine_.get(), &SyncEngine::signedOut, this, &Account::reload);
        connect(engine_.get(), &SyncEngine::accountChanged, this, &Account::reload);
        connect(engine_.get(), &SyncEngine::changeRefused, this, &Account::changeRefused);
        status_ = engine_->currentStatus();
    }
    reload();
    tellEngine([](SyncEngine& engine) { engine.start(); });
}

Account::~Account() = default;

template <class Slot>
void Account::tellEngine(Slot slot) {
    if (SyncEngine* engine = engine_.get())
        QMetaObject::invokeMethod(engine, [engine, slot] { slot(*engine); }, Qt::QueuedConnection);
}

void Account::setStatus(const SyncStatus& status) {
    status_ = status;
    if (status.kind == SyncStatus::Kind::idle)
        reload(); // a run or an activation just finished
    else
        emit changed();
}

void Account::reload() {
    me_.reset();
    try {
        if (const std::optional<QString> userID = store_.syncMeta("user_id")) {
            me_ = store_.person(*userID);
            if (!me_) {
                Person person;
                person.id = *userID;
                person.name = store_.syncMeta("user_name").value_or(tr("You"));
                person.email = store_.syncMeta("user_email");
                me_ = person;
            }
        }
    } catch (const std::exception&) {
    }
    try {
        workspaces_ = store_.workspaces();
    } catch (const std::exception&) {
        workspaces_.clear();
    }
    try {
        defaultWorkspaceID_ = store_.syncMeta("default_workspace_id");
    } catch (const std::exception&) {
        defaultWorkspaceID_.reset();
    }
    try {
        localCaptureCount_ = int(store_.localCaptures().size());
    } catch (const std::exception&) {
        localCaptureCount_ = 0;
    }
    try {
        log_ = store_.syncLog(logLines);
    } catch (const std::exception&) {
        log_.clear();
    }
    emit changed();
}

std::optional<Workspace> Account::defaultWorkspace() const {
    for (const Workspace& w : workspaces_)
        if (defaultWorkspaceID_ && w.id == *defaultWorkspaceID_)
            return w;
    return std::nullopt;
}

void Account::setDefaultWorkspaceID(const std::optional<QString>& id) {
    if (id == defaultWorkspaceID_)
        return;
    defaultWorkspaceID_ = id;
    emit changed();
    tellEngine([id](SyncEngine& engine) { engine.setDefaultWorkspace(id); });
}

QString Account::relativeTime(const QDateTime& then, const QDateTime& now) {
    const qint64 secs = std::max<qint64>(0, then.secsTo(now));
    if (secs < 5)
        return tr("just now");
    if (secs < 60)
        return tr("%1 sec. ago").arg(secs);
    if (secs < 3600)
        return tr("%1 min. ago").arg(secs / 60);
    if (secs < 86400)
        return tr("%1 hr. ago").arg(secs / 3600);
    const qint64 days = secs / 86400;
    return days == 1 ? tr("1 day ago") : tr("%1 days ago").arg(days);
}

QString Account::statusLine(const QDateTime& now) const {
    switch (status_.kind) {
    case SyncStatus::Kind::idle:
        return status_.lastSync ? tr("Synced %1").arg(relativeTime(*status_.lastSync, now)) : tr("Synced");
    case SyncStatus::Kind::offline:
        return tr("Offline \u2014 %1").arg(status_.message);
    case SyncStatus::Kind::failed:
        return tr("Sync problem \u2014 %1").arg(status_.message);
    case SyncStatus::Kind::signedOut:
        return tr("Not signed in");
    case SyncStatus::Kind::syncing:
        return tr("Syncing\u2026");
    case SyncStatus::Kind::sessionExpired:
        return tr("Signed out \u2014 sign in again to keep syncing");
    }
    return {};
}

void Account::signIn() {
    cancelSignIn();
    signInError_.reset();
    if (!engine_) {
        signInError_ = configurationProblem_;
        emit changed();
        return;
    }
    signInCancel_ = CancelFlag();
    const CancelFlag cancel = *signInCancel_;
    emit changed();
    tellEngine([cancel](SyncEngine& engine) { engine.signIn(cancel); });
}

void Account::cancelSignIn() {
    if (signInCancel_)
        signInCancel_->cancel();
    signInCancel_.reset();
    pendingCode_.reset();
    emit changed();
}

void Account::openApproval() {
    if (!pendingCode_)
        return;
    const QUrl url(pendingCode_->verificationURIComplete, QUrl::StrictMode);
    if (url.isValid() && !url.isRelative())
        openURL_(url);
}

void Account::openWeb(const QString& path) {
    openURL_(QUrl(ServiceURLs::webOrigin() + path));
}

void Account::signOut() {
    tellEngine([](SyncEngine& engine) { engine.signOut(); });
}

quint64 Account::syncNow() {
    return engine_ ? engine_->requestSync() : 0;
}

void Account::noteLocalChange() {
    if (status_.kind == SyncStatus::Kind::signedOut || status_.kind == SyncStatus::Kind::sessionExpired)
        return;
    tellEngine([](SyncEngine& engine) { engine.noteLocalChange(); });
}

void Account::adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids) {
    tellEngine([workspaceID, ids](SyncEngine& engine) { engine.adoptLocalCaptures(workspaceID, ids); });
}
