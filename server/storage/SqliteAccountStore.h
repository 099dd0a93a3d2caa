#pragma once

#include "AccountStore.h"
#include "ServerDatabase.h"

#include <atomic>

class SqliteAccountStore : public AccountStore {
public:
    explicit SqliteAccountStore(ServerDatabase& database) : database_(database), db_(database.db()) {}

    bool createUser(const UserRecord& user) override;
    std::optional<UserRecord> userByEmail(const QString& email) override;
    std::optional<UserRecord> userById(const QString& id) override;

    bool createWorkspace(const WorkspaceRecord& workspace) override;
    std::optional<WorkspaceRecord> workspaceBySlug(const QString& slug) override;
    std::optional<WorkspaceRecord> workspaceById(const QString& id) override;
    void setUploadsDisabled(const QString& workspaceId, bool disabled) override;
    void setMember(const QString& workspaceId, const QString& userId, const QString& role) override;
    bool removeMember(const QString& workspaceId, const QString& userId) override;
    std::vector<Membership> memberships(const QString& userId) override;
    QStringList departuresAfter(const QString& userId, std::int64_t after) override;
    std::vector<PersonRecord> peopleChangedAfter(const QStringList& workspaceIds, std::int64_t after) override;

    void storeAccessToken(const QString& tokenHash, const QString& userId) override;
    std::optional<QString> userForAccessToken(const QString& tokenHash) override;
    void revokeAccessToken(const QString& tokenHash) override;
    void setTokenIdleLimit(double seconds) override { tokenIdleSeconds_ = seconds; }
    std::vector<AccessTokenRecord> accessTokens(const QString& email) override;
    int revokeAccessTokensStartingWith(const QString& prefix) override;
    bool removeUser(const QString& userId) override;
    int purgeDeviceAuthorizations(double now) override;

    void storeDeviceAuthorization(const DeviceAuthorization& authorization) override;
    std::optional<DeviceAuthorization> deviceAuthorizationByCode(const QString& deviceCodeHash) override;
    std::optional<DeviceAuthorization> deviceAuthorizationByUserCode(const QString& userCode) override;

    void storeWebSession(const QString& sessionHash, const WebSession& session) override;
    std::optional<WebSession> webSession(const QString& sessionHash) override;
    void deleteWebSession(const QString& sessionHash) override;

    bool registerDevice(const QString& userId, const QString& tokenHash, const DeviceRecord& device) override;
    std::optional<QString> deviceToken(const QString& deviceId) override;
    std::vector<DeviceRecord> devices(const QString& userId) override;

private:
    std::optional<DeviceAuthorization> deviceAuthorizationWhere(const char* column, const QString& value);

    ServerDatabase& database_;
    Database& db_;
    std::atomic<double> tokenIdleSeconds_ = 0;
};
