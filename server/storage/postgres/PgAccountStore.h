#pragma once

#include "PgDatabase.h"
#include "storage/AccountStore.h"

#include <atomic>

// Accounts and credentials on PostgreSQL, shared by every instance of the
// service: a sign-in started on one can be approved and finished on another.
class PgAccountStore : public AccountStore {
public:
    explicit PgAccountStore(PgDatabase& database) : database_(database), pool_(database.pool()) {}

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
    PgResult exec(const char* sql, const std::vector<PgValue>& params = {});
    std::optional<DeviceAuthorization> deviceAuthorizationWhere(const char* column, const QString& value);

    PgDatabase& database_;
    PgPool& pool_;
    std::atomic<double> tokenIdleSeconds_ = 0;
};
