#pragma once

#include "CancelFlag.h"
#include "DeviceCode.h"
#include "TokenStore.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CaptureStore;
class SyncClient;

// Who the library is signed in as: the token (in the keyring and in the
// client), the account's person and workspaces in the library, and the
// device the service knows this computer as. Used on the engine's thread
// only; the engine's status is not its business.
class SyncAccount {
public:
    SyncAccount(CaptureStore& store, SyncClient& client, std::unique_ptr<TokenStore> tokens, QString deviceName,
                std::optional<QString> appVersion);

    // Names and workspaces change rarely; a few times a day keeps the account tab fresh.
    static constexpr qint64 refreshSecs = 6 * 3600;

    // Safe from any thread.
    bool isSignedIn() const;
    // Whether the library was signed in when last seen, before the keyring answers.
    bool wasSignedIn() const;

    // Puts the stored token (if any) in the client. A locked keyring may wait here.
    void readToken();
    // Device sign-in: `shown` is told the code to approve; returns once the
    // account is in the library. Throws Cancelled, SignInError or SyncError.
    void signIn(const CancelFlag& cancel, const std::function<void(const DeviceCode&)>& shown);
    // Tells the service about this computer; a failure waits for a later sign-in.
    void registerDevice();
    // Reads the account again when it was last read longer ago than refreshSecs.
    void refreshIfDue();
    // Reads the account again: the person, the workspaces, a default that still exists.
    void refresh();
    // The service rejected the session: the token goes, the library's data stays.
    void forgetToken();
    // Tells the service, forgets the token, removes the account's data; never fails.
    void signOut();

    void setDefaultWorkspace(const std::optional<QString>& workspaceID);
    // Moves local-only captures (all when `ids` is none) into a workspace.
    void adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids);

private:
    CaptureStore& store_;
    SyncLedger ledger_;
    RemoteApplier remote_;
    SyncClient& client_;
    std::unique_ptr<TokenStore> tokens_;
    QString deviceName_;
    std::optional<QString> appVersion_;
    std::optional<QDateTime> lastRefresh_;
};
