#include "SyncAccount.h"

#include "DeviceSignIn.h"
#include "SyncClient.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

#include <algorithm>

SyncAccount::SyncAccount(CaptureStore& store, SyncClient& client, std::unique_ptr<TokenStore> tokens,
                         QString deviceName, std::optional<QString> appVersion)
    : store_(store), ledger_(store), remote_(store), client_(client), tokens_(std::move(tokens)), deviceName_(std::move(deviceName)),
      appVersion_(std::move(appVersion)) {}

bool SyncAccount::isSignedIn() const {
    return client_.token().has_value();
}

bool SyncAccount::wasSignedIn() const {
    try {
        return store_.syncMeta("user_id").has_value();
    } catch (const std::exception&) {
        return false;
    }
}

void SyncAccount::readToken() {
    client_.setToken(tokens_->read());
}

void SyncAccount::signIn(const CancelFlag& cancel, const std::function<void(const DeviceCode&)>& shown) {
    const DeviceCode code = client_.requestDeviceCode();
    shown(code);
    DeviceSignIn::waitForToken(client_, *tokens_, code, cancel);
    const AccountInfo info = client_.me();
    ledger_.setSyncMeta("user_id", info.user.id);
    ledger_.setSyncMeta("user_name", info.user.name);
    ledger_.setSyncMeta("user_email", info.user.email);
    if (!store_.syncMeta("device_id"))
        ledger_.setSyncMeta("device_id", Identifiers::make());
    remote_.upsertPerson(info.user);
    remote_.replaceWorkspaces(info.workspaces);
    if (!store_.syncMeta("default_workspace_id") && !info.workspaces.empty())
        ledger_.setSyncMeta("default_workspace_id", info.workspaces.front().id);
    lastRefresh_ = QDateTime::currentDateTimeUtc();
}

void SyncAccount::registerDevice() {
    try {
        if (const std::optional<QString> id = store_.syncMeta("device_id"))
            client_.registerDevice(*id, deviceName_, QStringLiteral("linux"), appVersion_);
    } catch (const std::exception&) {
        // The service learns about the device on a later sign-in.
    }
}

void SyncAccount::refreshIfDue() {
    if (!lastRefresh_ || lastRefresh_->secsTo(QDateTime::currentDateTimeUtc()) >= refreshSecs)
        refresh();
}

void SyncAccount::refresh() {
    const AccountInfo info = client_.me();
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
    lastRefresh_ = QDateTime::currentDateTimeUtc();
}

void SyncAccount::forgetToken() {
    client_.setToken(std::nullopt);
    tokens_->remove();
}

void SyncAccount::signOut() {
    client_.signOut();
    forgetToken();
    try {
        remote_.purgeAccountData();
        store_.postDidChange();
    } catch (const std::exception&) {
    }
}

void SyncAccount::setDefaultWorkspace(const std::optional<QString>& workspaceID) {
    try {
        ledger_.setSyncMeta("default_workspace_id", workspaceID);
    } catch (const std::exception&) {
    }
}

void SyncAccount::adoptLocalCaptures(const QString& workspaceID, const std::optional<QStringList>& ids) {
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
}
