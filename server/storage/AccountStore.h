#pragma once

#include "Records.h"

#include <QStringList>

#include <vector>

// Users, workspaces, memberships and every credential the service hands out.
// Credentials are looked up by the SHA-256 of their secret; the secret itself
// is never stored. Operations throw on storage failure.
class AccountStore {
public:
    virtual ~AccountStore() = default;

    // Returns false when the e-mail is already taken.
    virtual bool createUser(const UserRecord& user) = 0;
    virtual std::optional<UserRecord> userByEmail(const QString& email) = 0;
    virtual std::optional<UserRecord> userById(const QString& id) = 0;

    // Returns false when the slug is already taken.
    virtual bool createWorkspace(const WorkspaceRecord& workspace) = 0;
    virtual std::optional<WorkspaceRecord> workspaceBySlug(const QString& slug) = 0;
    virtual std::optional<WorkspaceRecord> workspaceById(const QString& id) = 0;
    virtual void setUploadsDisabled(const QString& workspaceId, bool disabled) = 0;
    // Adds the member or changes their role.
    virtual void setMember(const QString& workspaceId, const QString& userId, const QString& role) = 0;
    // Ends a membership; returns false when there was none.
    virtual bool removeMember(const QString& workspaceId, const QString& userId) = 0;
    virtual std::vector<Membership> memberships(const QString& userId) = 0;
    // Workspaces the user left after the change-feed position `after`.
    virtual QStringList departuresAfter(const QString& userId, std::int64_t after) = 0;
    // The members of these workspaces whose profile or membership changed
    // after the change-feed position `after`.
    virtual std::vector<PersonRecord> peopleChangedAfter(const QStringList& workspaceIds, std::int64_t after) = 0;

    virtual void storeAccessToken(const QString& tokenHash, const QString& userId) = 0;
    // The token's user, unless it was revoked or has gone unused for longer
    // than the idle limit; notes the use.
    virtual std::optional<QString> userForAccessToken(const QString& tokenHash) = 0;
    virtual void revokeAccessToken(const QString& tokenHash) = 0;
    // Seconds a token may go unused before it stops working; 0: forever.
    virtual void setTokenIdleLimit(double seconds) = 0;
    // Tokens still in force, of one user (by e-mail) or of all.
    virtual std::vector<AccessTokenRecord> accessTokens(const QString& email = {}) = 0;
    // Revokes the tokens in force whose hash starts with `prefix`; returns how many.
    virtual int revokeAccessTokensStartingWith(const QString& prefix) = 0;
    // Takes a user away: memberships (each recorded as a departure),
    // tokens, sessions, devices and the account itself.
    virtual bool removeUser(const QString& userId) = 0;

    // Unused codes past their lifetime are purged; returns the codes still pending.
    virtual int purgeDeviceAuthorizations(double now) = 0;

    virtual void storeDeviceAuthorization(const DeviceAuthorization& authorization) = 0;
    virtual std::optional<DeviceAuthorization> deviceAuthorizationByCode(const QString& deviceCodeHash) = 0;
    virtual std::optional<DeviceAuthorization> deviceAuthorizationByUserCode(const QString& userCode) = 0;

    virtual void storeWebSession(const QString& sessionHash, const WebSession& session) = 0;
    virtual std::optional<WebSession> webSession(const QString& sessionHash) = 0;
    virtual void deleteWebSession(const QString& sessionHash) = 0;

    // Returns false when the device id belongs to another user; otherwise
    // the device is tied to the token that registered it.
    virtual bool registerDevice(const QString& userId, const QString& tokenHash, const DeviceRecord& device) = 0;
    // The token a device id is tied to; nullopt for an id never registered.
    virtual std::optional<QString> deviceToken(const QString& deviceId) = 0;
    virtual std::vector<DeviceRecord> devices(const QString& userId) = 0;
};
