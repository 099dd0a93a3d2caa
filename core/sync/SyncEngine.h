#pragma once

#include "BlobTransfer.h"
#include "CancelFlag.h"
#include "DeviceCode.h"
#include "ReconcileCheck.h"
#include "SyncAccount.h"
#include "SyncClient.h"
#include "SyncCycle.h"
#include "SyncEventStream.h"
#include "SyncRunScheduler.h"
#include "SyncStatus.h"
#include "TokenStore.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <mutex>

class CaptureStore;
class QDBusMessage;

// Keeps the library and its workspaces in step. An actor: the engine lives on
// its own thread and every public slot must be reached by a queued call
// (QMetaObject::invokeMethod). It joins the account (who is signed in), the
// run scheduler (when runs happen, never two at once) and the live event
// stream, and does the work of one run. Status changes leave through
// statusChanged, which the account receives on the main thread.
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
    bool isSignedIn() const { return account_.isSignedIn(); }
    SyncStatus currentStatus() const;
    // Safe from any thread: asks for a run and returns its ticket; once
    // `syncSettled` names it (or a later one) the run has ended, and so has
    // every run queued behind it.
    quint64 requestSync();

    static constexpr int loopIntervalMs = SyncRunScheduler::loopIntervalMs;
    static constexpr int eventDebounceMs = SyncEventStream::debounceMs;
    // Up to 13,000 changes a run (26 × 500), yet a service that always says "more" can't hold the thread.
    static constexpr int cyclesPerRun = 26;

public slots:
    // The periodic loop and the live event stream, when signed in.
    void start();
    // Ends the loop, the event stream and a pending debounce.
    void stop();
    // A local edit: a run follows two seconds after the last of a burst.
    void noteLocalChange();
    void setDefaultWorkspace(const std::optional<QString>& workspaceID);
    // Moves local-only captures (all when `ids` is none) into a workspace.
    void adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids);
    // Device sign-in: signInCode once the code is known, then signInFinished.
    void signIn(const CancelFlag& cancel);
    // Tells the service, forgets the token, removes the account's data; never fails.
    void signOut();

signals:
    void statusChanged(const SyncStatus& status);
    // Every requestSync ticket up to `served` has been served.
    void syncSettled(quint64 served);
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
    std::optional<SyncStatus> runOnce();

    std::unique_ptr<CaptureStore> connection_;
    CaptureStore& store_;
    SyncLedger ledger_;
    std::unique_ptr<SyncClient> client_;
    SyncAccount account_;
    BlobTransfer blobs_;
    SyncCycle cycle_;
    ReconcileCheck reconcile_;

    mutable std::mutex statusLock_;
    SyncStatus status_;
    std::optional<QDateTime> lastSync_;
    bool started_ = false;

    SyncRunScheduler* scheduler_;
    SyncEventStream* events_;

    QThread thread_;
};
