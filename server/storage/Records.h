#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

// The service's own records. Times are seconds since 1970 UTC.

struct UserRecord {
    QString id;
    QString email;
    QString name;
    QString passwordHash;
};

struct WorkspaceRecord {
    QString id;
    QString slug;
    QString name;
    bool uploadsDisabled = false;
};

struct Membership {
    WorkspaceRecord workspace;
    QString role; // "admin" or "member"
};

// One RFC 8628 device authorization, from the code request to the token.
struct DeviceAuthorization {
    enum class State { pending, approved, denied, consumed };
    QString deviceCodeHash;
    QString userCode;
    QString clientId;
    State state = State::pending;
    std::optional<QString> userId; // who approved or denied
    double expiresAt = 0;
    double lastPollAt = 0; // 0 before the first poll
    int interval = 5;      // seconds the client must leave between polls
};

// An access token as the administrator sees it: never the secret, only
// the start of its hash as a handle.
struct AccessTokenRecord {
    QString tokenHash;
    QString userEmail;
    double createdAt = 0;
    double lastUsedAt = 0;
};

struct WebSession {
    QString userId;
    QString csrfToken;
    double expiresAt = 0;
};

struct DeviceRecord {
    QString id;
    QString name;
    QString platform;
    std::optional<QString> appVersion;
    double lastSeenAt = 0;
};

// One synced row (a capture, group, image or comment) as the service keeps it.
struct SyncRow {
    QString table;
    QString id;
    QString workspaceId;
    // The row it hangs under: a capture's group, an image's or comment's capture.
    std::optional<QString> parentId;
    std::int64_t version = 0;
    std::int64_t seq = 0; // position in the change feed; set by the store on save
    QJsonObject data;     // the row's wire fields
    // For each field, the row version that last changed it (field-level merge).
    QJsonObject fieldVersions;
    // For each field, the device that last wrote it: a device's later push
    // supersedes its own earlier one even when it missed the reply.
    QJsonObject fieldDevices;
    // The device whose clean push wrote this version; it needs no echo.
    std::optional<QString> originDevice;
    // The workspace the row left in this version, so its readers learn it went.
    std::optional<QString> previousWorkspaceId;
    bool deleted = false;
};

struct PersonRecord {
    QString id;
    QString name;
    QString email;
};
