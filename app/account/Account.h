#pragma once

#include "store/Person.h"
#include "store/SyncLogLine.h"
#include "store/Workspace.h"
#include "sync/CancelFlag.h"
#include "sync/DeviceCode.h"
#include "sync/SyncStatus.h"
#include "sync/TokenStore.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CaptureStore;
class SyncEngine;

// The user interface's one view of the workspace connection: who is signed in,
// the workspaces, where new captures go, the sync status line, sign-in
// progress and the recent sync log. Lives on the main thread and owns the
// sync engine, which runs on its own; `changed` follows every field change.
class Account : public QObject {
    Q_OBJECT
public:
    using URLOpener = std::function<void(const QUrl&)>;

    // Starts the engine. `tokens` defaults to the desktop keyring; `openURL`
    // to the desktop's browser.
    explicit Account(CaptureStore& store, std::unique_ptr<TokenStore> tokens = nullptr, URLOpener openURL = {},
                     QObject* parent = nullptr);
    ~Account() override;

    const SyncStatus& status() const { return status_; }
    const std::optional<Person>& me() const { return me_; }
    const std::vector<Workspace>& workspaces() const { return workspaces_; }
    int localCaptureCount() const { return localCaptureCount_; }
    const std::optional<DeviceCode>& pendingCode() const { return pendingCode_; }
    const std::optional<QString>& signInError() const { return signInError_; }
    const std::vector<SyncLogLine>& log() const { return log_; }
    const std::optional<QString>& defaultWorkspaceID() const { return defaultWorkspaceID_; }
    std::optional<Workspace> defaultWorkspace() const;
    // Why sync cannot run at all (an unusable ZORVI_API_URL); empty otherwise.
    const QString& configurationProblem() const { return configurationProblem_; }

    QString statusLine(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;
    static QString relativeTime(const QDateTime& then, const QDateTime& now);

    // Re-reads the store's account fields.
    void reload();
    void setDefaultWorkspaceID(const std::optional<QString>& id);
    void signIn();
    void cancelSignIn();
    // Opens the pending code's approval page again.
    void openApproval();
    // Opens a page of the service's web origin ("/app", "/sign-up").
    void openWeb(const QString& path);
    void signOut();
    // Asks for a run; its ticket comes back through syncSettled once that run,
    // and every run queued behind it, has ended (0: sync can't run here).
    quint64 syncNow();
    // Called after every local edit; wakes the engine unless signed out.
    void noteLocalChange();
    void adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids = std::nullopt);

signals:
    void changed();
    // Every syncNow ticket up to `served` has been served; the status tells how.
    void syncSettled(quint64 served);
    // The workspace refused a change of this row for good (SyncEngine::changeRefused).
    void changeRefused(const QString& table, const QString& id, const QString& reason, bool staysLocal);

private:
    void setStatus(const SyncStatus& status);
    template <class Slot>
    void tellEngine(Slot slot);

    CaptureStore& store_;
    URLOpener openURL_;
    std::unique_ptr<SyncEngine> engine_;
    QString configurationProblem_;

    SyncStatus status_;
    std::optional<Person> me_;
    std::vector<Workspace> workspaces_;
    int localCaptureCount_ = 0;
    std::optional<DeviceCode> pendingCode_;
    std::optional<QString> signInError_;
    std::vector<SyncLogLine> log_;
    std::optional<QString> defaultWorkspaceID_;
    std::optional<CancelFlag> signInCancel_;
};
