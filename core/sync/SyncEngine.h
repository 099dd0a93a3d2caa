#pragma once

#include "AccountInfo.h"
#include "BlobTransfer.h"
#include "CancelFlag.h"
#include "DeviceCode.h"
#include "SyncClient.h"
#include "SyncCycle.h"
#include "SyncStatus.h"
#include "TokenStore.h"

#include <QObject>
#include <QThread>

#include <memory>

class CaptureStore;
class QDBusMessage;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Keeps the library and its workspaces in step. An actor: the engine lives on
// its own thread and every public slot must be reached by a queued call
// (QMetaObject::invokeMethod). Network calls run the thread's event loop while
// they wait, so a slot may arrive in the middle of a run; runs never overlap,
// and a request during a run causes exactly one more. Status changes leave
// through statusChanged, which the account receives on the main thread.
class SyncEngine : public QObject {
    Q_OBJECT
public:
    // Starts the engine's thread, which reads the stored token first (signed
    // in when there is one), but no sync work; call start() for that. The engine
    // works on a connection of its own to the library `store` opened, so the
    // main thread's reads never wait for the engine's writes.
    SyncEngine(CaptureStore& store, const QUrl& baseURL, QString deviceName, std::optional<QString> appVersion,
               std::unique_ptr<TokenStore> tokens);
    // Stops the background work and the thread; call from the creating thread.
    ~SyncEngine() override;

    // Safe from any thread.
    bool isSignedIn() const { return client_->token().has_value(); }
    SyncStatus currentStatus() const;

    // A change made elsewhere still arrives within half a minute while the event stream is down.
    static constexpr int loopIntervalMs = 30'000;
    // A burst of local edits (typing a note) goes out as one run.
    static constexpr int debounceMs = 2'000;
    // Server events are coalesced briefly, so a burst of them is one run and a
    // remote edit still shows up within two seconds.
    static constexpr int eventDebounceMs = 300;
    // A dropped event stream comes back soon without hammering a service that is down.
    static constexpr int eventsRetryMs = 15'000;
    // Up to 13,000 changes a run (26 × 500), yet a service that always says "more" can't hold the thread.
    static constexpr int cyclesPerRun = 26;
    // Names and workspaces change rarely; a few times a day keeps the account tab fresh.
    static constexpr qint64 accountRefreshSecs = 6 * 3600;
    // Captures the service dropped or never got are found once a day: the check sends every synced id.
    static constexpr qint64 reconcileSecs = 24 * 3600;
    // Ids per reconcile request: under 1 MB of ids, well inside the service's request limit.
    static constexpr qsizetype reconcilePage = 20000;

public slots:
    // The periodic loop and the live event stream, when signed in.
    void start();
    // Ends the loop, the event stream and a pending debounce.
    void stop();
    // A local edit: a run follows two seconds after the last of a burst.
    void noteLocalChange();
    void syncNow();
    void setDefaultWorkspace(const std::optional<QString>& workspaceID);
    // Moves local-only captures (all when `ids` is none) into a workspace.
    void adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids);
    // Device sign-in: signInCode once the code is known, then signInFinished.
    void signIn(const CancelFlag& cancel);
    // Tells the service, forgets the token, removes the account's data; never fails.
    void signOut();

signals:
    void statusChanged(const SyncStatus& status);
    void signInCode(const DeviceCode& code);
    // An empty error means signed in.
    void signInFinished(const QString& error);
    void signedOut();
    // Something a slot was asked for is done (adoption, default workspace).
    void accountChanged();
    // The service refused a change of this row for good; `reason` is the
    // service's own words; `staysLocal` when a new capture now stays on this computer.
    void changeRefused(const QString& table, const QString& id, const QString& reason, bool staysLocal);

private slots:
    // The library's change signal: one from another process (an agent's
    // write through zorvi-mcp) counts as a local change; this process's own
    // writes are told through noteLocalChange.
    void storeChanged(const QDBusMessage& message);

private:
    void readToken();
    void setStatus(const SyncStatus& status);
    void requestRun();
    void runOnce();
    void refreshAccount();
    void reconcileIfDue();
    void activate(const AccountInfo& info);
    void registerDevice();
    void dropSession();
    void loopTick();
    void startEvents();
    void readEvents();
    void serverChanged();
    qint64 pulledCursor();
    void eventsEnded();

    std::unique_ptr<CaptureStore> connection_;
    CaptureStore& store_;
    SyncLedger ledger_;
    RemoteApplier remote_;
    std::unique_ptr<TokenStore> tokens_;
    std::unique_ptr<SyncClient> client_;
    BlobTransfer blobs_;
    SyncCycle cycle_;
    QString deviceName_;
    std::optional<QString> appVersion_;

    mutable std::mutex statusLock_;
    SyncStatus status_;
    std::optional<QDateTime> lastSync_;
    std::optional<QDateTime> lastAccountRefresh_;
    bool syncing_ = false;
    bool wantsAnother_ = false;
    bool started_ = false;

    QTimer* loopTimer_;
    QTimer* debounceTimer_;
    QTimer* eventTimer_;
    QTimer* eventsRetryTimer_;
    std::unique_ptr<QNetworkAccessManager> eventsSession_;
    QNetworkReply* events_ = nullptr;
    QByteArray eventsBuffer_;
    qint64 eventCursor_ = 0; // the furthest feed position a live event named

    QThread thread_;
};
