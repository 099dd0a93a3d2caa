#include "SqliteAccountStore.h"

#include "AuthorizationStateText.h"
#include "SqlPlaceholders.h"

#include <QDateTime>

namespace {

double now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

UserRecord userFrom(const Row& r) {
    return {r.string("id").value_or(QString()), r.string("email").value_or(QString()),
            r.string("name").value_or(QString()), r.string("password_hash").value_or(QString())};
}

WorkspaceRecord workspaceFrom(const Row& r) {
    return {r.string("id").value_or(QString()), r.string("slug").value_or(QString()),
            r.string("name").value_or(QString()), r.boolean("uploads_disabled")};
}

} // namespace

bool SqliteAccountStore::createUser(const UserRecord& user) {
    return db_.transaction([&] {
        if (!db_.query(QStringLiteral("SELECT 1 AS one FROM users WHERE email = ?;"), {user.email}).empty())
            return false;
        db_.execute(QStringLiteral("INSERT INTO users (id, email, name, password_hash, created_at, seq) "
                                   "VALUES (?,?,?,?,?,?);"),
                    {user.id, user.email, user.name, user.passwordHash, now(), database_.nextSeq()});
        return true;
    });
}

std::optional<UserRecord> SqliteAccountStore::userByEmail(const QString& email) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM users WHERE email = ?;"), {email});
    return rows.empty() ? std::nullopt : std::optional(userFrom(rows.front()));
}

std::optional<UserRecord> SqliteAccountStore::userById(const QString& id) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM users WHERE id = ?;"), {id});
    return rows.empty() ? std::nullopt : std::optional(userFrom(rows.front()));
}

bool SqliteAccountStore::createWorkspace(const WorkspaceRecord& w) {
    return db_.transaction([&] {
        if (!db_.query(QStringLiteral("SELECT 1 AS one FROM workspaces WHERE slug = ?;"), {w.slug}).empty())
            return false;
        db_.execute(QStringLiteral("INSERT INTO workspaces (id, slug, name, uploads_disabled, created_at) "
                                   "VALUES (?,?,?,?,?);"),
                    {w.id, w.slug, w.name, SQLValue::boolean(w.uploadsDisabled), now()});
        return true;
    });
}

std::optional<WorkspaceRecord> SqliteAccountStore::workspaceBySlug(const QString& slug) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM workspaces WHERE slug = ?;"), {slug});
    return rows.empty() ? std::nullopt : std::optional(workspaceFrom(rows.front()));
}

std::optional<WorkspaceRecord> SqliteAccountStore::workspaceById(const QString& id) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM workspaces WHERE id = ?;"), {id});
    return rows.empty() ? std::nullopt : std::optional(workspaceFrom(rows.front()));
}

void SqliteAccountStore::setUploadsDisabled(const QString& workspaceId, bool disabled) {
    db_.execute(QStringLiteral("UPDATE workspaces SET uploads_disabled = ? WHERE id = ?;"),
                {SQLValue::boolean(disabled), workspaceId});
}

void SqliteAccountStore::setMember(const QString& workspaceId, const QString& userId, const QString& role) {
    db_.transaction([&] {
        db_.execute(QStringLiteral("INSERT INTO members (workspace_id, user_id, role, seq) VALUES (?,?,?,?) "
                                   "ON CONFLICT (workspace_id, user_id) DO UPDATE SET role = excluded.role, "
                                   "seq = excluded.seq;"),
                    {workspaceId, userId, role, database_.nextSeq()});
        db_.execute(QStringLiteral("DELETE FROM departures WHERE workspace_id = ? AND user_id = ?;"),
                    {workspaceId, userId});
    });
}

bool SqliteAccountStore::removeMember(const QString& workspaceId, const QString& userId) {
    return db_.transaction([&] {
        if (db_.execute(QStringLiteral("DELETE FROM members WHERE workspace_id = ? AND user_id = ?;"),
                        {workspaceId, userId}) == 0)
            return false;
        db_.execute(QStringLiteral("INSERT OR REPLACE INTO departures (workspace_id, user_id, seq) VALUES (?,?,?);"),
                    {workspaceId, userId, database_.nextSeq()});
        return true;
    });
}

QStringList SqliteAccountStore::departuresAfter(const QString& userId, std::int64_t after) {
    QStringList out;
    for (const Row& r : db_.query(
             QStringLiteral("SELECT workspace_id FROM departures WHERE user_id = ? AND seq > ? ORDER BY seq;"),
             {userId, after}))
        out << r.string("workspace_id").value_or(QString());
    return out;
}

std::vector<Membership> SqliteAccountStore::memberships(const QString& userId) {
    std::vector<Membership> out;
    for (const Row& r : db_.query(QStringLiteral("SELECT w.*, m.role FROM members m JOIN workspaces w "
                                                 "ON w.id = m.workspace_id WHERE m.user_id = ? ORDER BY w.name;"),
                                  {userId}))
        out.push_back({workspaceFrom(r), r.string("role").value_or(QStringLiteral("member"))});
    return out;
}

std::vector<PersonRecord> SqliteAccountStore::peopleChangedAfter(const QStringList& workspaceIds, std::int64_t after) {
    std::vector<PersonRecord> out;
    if (workspaceIds.isEmpty())
        return out;
    std::vector<SQLValue> params;
    appendValues(params, workspaceIds);
    params.emplace_back(after);
    params.emplace_back(after);
    const QString sql = QStringLiteral("SELECT DISTINCT u.id, u.name, u.email FROM users u JOIN members m "
                                       "ON m.user_id = u.id WHERE m.workspace_id IN (%1) AND (u.seq > ? OR "
                                       "m.seq > ?) ORDER BY u.id;")
                            .arg(sqlPlaceholders(workspaceIds.size()));
    for (const Row& r : db_.query(sql, params))
        out.push_back({r.string("id").value_or(QString()), r.string("name").value_or(QString()),
                       r.string("email").value_or(QString())});
    return out;
}

void SqliteAccountStore::storeAccessToken(const QString& tokenHash, const QString& userId) {
    db_.execute(QStringLiteral("INSERT INTO access_tokens (token_hash, user_id, created_at) VALUES (?,?,?);"),
                {tokenHash, userId, now()});
}

std::optional<QString> SqliteAccountStore::userForAccessToken(const QString& tokenHash) {
    const double at = now();
    const double idle = tokenIdleSeconds_;
    const auto rows = db_.query(QStringLiteral("SELECT user_id, COALESCE(last_used_at, created_at) AS used "
                                               "FROM access_tokens WHERE token_hash = ? AND revoked_at IS NULL;"),
                                {tokenHash});
    if (rows.empty())
        return std::nullopt;
    const double used = rows.front().real("used").value_or(0);
    if (idle > 0 && at - used > idle)
        return std::nullopt;
    // Noted at most once a minute, not on every request.
    if (at - used > 60)
        db_.execute(QStringLiteral("UPDATE access_tokens SET last_used_at = ? WHERE token_hash = ?;"), {at, tokenHash});
    return rows.front().string("user_id");
}

std::vector<AccessTokenRecord> SqliteAccountStore::accessTokens(const QString& email) {
    std::vector<AccessTokenRecord> out;
    for (const Row& r : db_.query(QStringLiteral("SELECT t.token_hash, u.email, t.created_at, "
                                                 "COALESCE(t.last_used_at, t.created_at) AS used FROM access_tokens t "
                                                 "JOIN users u ON u.id = t.user_id WHERE t.revoked_at IS NULL AND "
                                                 "(? = '' OR u.email = ?) ORDER BY u.email, t.created_at;"),
                                  {email, email}))
        out.push_back({r.string("token_hash").value_or(QString()), r.string("email").value_or(QString()),
                       r.real("created_at").value_or(0), r.real("used").value_or(0)});
    return out;
}

int SqliteAccountStore::revokeAccessTokensStartingWith(const QString& prefix) {
    return int(db_.execute(QStringLiteral("UPDATE access_tokens SET revoked_at = ? WHERE revoked_at IS NULL AND "
                                          "substr(token_hash, 1, length(?)) = ?;"),
                           {now(), prefix, prefix}));
}

bool SqliteAccountStore::removeUser(const QString& userId) {
    return db_.transaction([&] {
        if (!userById(userId))
            return false;
        for (const Membership& m : memberships(userId))
            removeMember(m.workspace.id, userId);
        for (const char* table : {"access_tokens", "web_sessions", "devices"})
            db_.execute(QStringLiteral("DELETE FROM %1 WHERE user_id = ?;").arg(QLatin1String(table)), {userId});
        db_.execute(QStringLiteral("DELETE FROM device_authorizations WHERE user_id = ?;"), {userId});
        db_.execute(QStringLiteral("DELETE FROM users WHERE id = ?;"), {userId});
        return true;
    });
}

int SqliteAccountStore::purgeDeviceAuthorizations(double at) {
    db_.execute(QStringLiteral("DELETE FROM device_authorizations WHERE expires_at < ? OR state = 'consumed';"), {at});
    const auto rows = db_.query(QStringLiteral("SELECT COUNT(*) AS n FROM device_authorizations WHERE state = 'pending';"));
    return rows.empty() ? 0 : int(rows.front().integer("n").value_or(0));
}

void SqliteAccountStore::revokeAccessToken(const QString& tokenHash) {
    db_.execute(QStringLiteral("UPDATE access_tokens SET revoked_at = ? WHERE token_hash = ? AND revoked_at IS NULL;"),
                {now(), tokenHash});
}

void SqliteAccountStore::storeDeviceAuthorization(const DeviceAuthorization& a) {
    db_.execute(QStringLiteral("INSERT OR REPLACE INTO device_authorizations (device_code_hash, user_code, client_id, "
                               "state, user_id, expires_at, last_poll_at, interval) VALUES (?,?,?,?,?,?,?,?);"),
                {a.deviceCodeHash, a.userCode, a.clientId, authorizationStateText(a.state), SQLValue::string(a.userId),
                 a.expiresAt, a.lastPollAt, a.interval});
}

std::optional<DeviceAuthorization> SqliteAccountStore::deviceAuthorizationWhere(const char* column,
                                                                                const QString& value) {
    const auto rows = db_.query(
        QStringLiteral("SELECT * FROM device_authorizations WHERE %1 = ?;").arg(QLatin1String(column)), {value});
    if (rows.empty())
        return std::nullopt;
    const Row& r = rows.front();
    DeviceAuthorization a;
    a.deviceCodeHash = r.string("device_code_hash").value_or(QString());
    a.userCode = r.string("user_code").value_or(QString());
    a.clientId = r.string("client_id").value_or(QString());
    a.state = authorizationStateFrom(r.string("state").value_or(QString()));
    a.userId = r.string("user_id");
    a.expiresAt = r.real("expires_at").value_or(0);
    a.lastPollAt = r.real("last_poll_at").value_or(0);
    a.interval = int(r.integer("interval").value_or(5));
    return a;
}

std::optional<DeviceAuthorization> SqliteAccountStore::deviceAuthorizationByCode(const QString& deviceCodeHash) {
    return deviceAuthorizationWhere("device_code_hash", deviceCodeHash);
}

std::optional<DeviceAuthorization> SqliteAccountStore::deviceAuthorizationByUserCode(const QString& userCode) {
    return deviceAuthorizationWhere("user_code", userCode);
}

void SqliteAccountStore::storeWebSession(const QString& sessionHash, const WebSession& s) {
    db_.execute(QStringLiteral("INSERT OR REPLACE INTO web_sessions (session_hash, user_id, csrf_token, expires_at) "
                               "VALUES (?,?,?,?);"),
                {sessionHash, s.userId, s.csrfToken, s.expiresAt});
}

std::optional<WebSession> SqliteAccountStore::webSession(const QString& sessionHash) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM web_sessions WHERE session_hash = ? AND expires_at > ?;"),
                                {sessionHash, now()});
    if (rows.empty())
        return std::nullopt;
    return WebSession{rows.front().string("user_id").value_or(QString()),
                      rows.front().string("csrf_token").value_or(QString()),
                      rows.front().real("expires_at").value_or(0)};
}

void SqliteAccountStore::deleteWebSession(const QString& sessionHash) {
    db_.execute(QStringLiteral("DELETE FROM web_sessions WHERE session_hash = ?;"), {sessionHash});
}

bool SqliteAccountStore::registerDevice(const QString& userId, const QString& tokenHash, const DeviceRecord& d) {
    return db_.transaction([&] {
        const auto rows = db_.query(QStringLiteral("SELECT user_id FROM devices WHERE id = ?;"), {d.id});
        if (!rows.empty() && rows.front().string("user_id") != userId)
            return false;
        db_.execute(QStringLiteral("INSERT OR REPLACE INTO devices (id, user_id, name, platform, app_version, "
                                   "last_seen_at, token_hash) VALUES (?,?,?,?,?,?,?);"),
                    {d.id, userId, d.name, d.platform, SQLValue::string(d.appVersion), now(), tokenHash});
        return true;
    });
}

std::optional<QString> SqliteAccountStore::deviceToken(const QString& deviceId) {
    const auto rows = db_.query(QStringLiteral("SELECT COALESCE(token_hash, '') AS token FROM devices WHERE id = ?;"),
                                {deviceId});
    return rows.empty() ? std::nullopt : rows.front().string("token");
}

std::vector<DeviceRecord> SqliteAccountStore::devices(const QString& userId) {
    std::vector<DeviceRecord> out;
    for (const Row& r : db_.query(
             QStringLiteral("SELECT * FROM devices WHERE user_id = ? ORDER BY last_seen_at DESC;"), {userId}))
        out.push_back({r.string("id").value_or(QString()), r.string("name").value_or(QString()),
                       r.string("platform").value_or(QString()), r.string("app_version"),
                       r.real("last_seen_at").value_or(0)});
    return out;
}
