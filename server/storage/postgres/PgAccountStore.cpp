#include "PgAccountStore.h"

#include "storage/AuthorizationStateText.h"

#include <QDateTime>

namespace {

double now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

UserRecord userFrom(const PgResult& r, int i) {
    return {r.string(i, "id").value_or(QString()), r.string(i, "email").value_or(QString()),
            r.string(i, "name").value_or(QString()), r.string(i, "password_hash").value_or(QString())};
}

WorkspaceRecord workspaceFrom(const PgResult& r, int i) {
    return {r.string(i, "id").value_or(QString()), r.string(i, "slug").value_or(QString()),
            r.string(i, "name").value_or(QString()), r.boolean(i, "uploads_disabled")};
}

} // namespace

PgResult PgAccountStore::exec(const char* sql, const std::vector<PgValue>& params) {
    return pool_.with([&](PgConnection& c) { return c.exec(sql, params); });
}

bool PgAccountStore::createUser(const UserRecord& user) {
    return pool_.transaction([&] {
        return exec("INSERT INTO users (id, email, name, password_hash, created_at, seq) VALUES ($1,$2,$3,$4,$5,0) "
                    "ON CONFLICT DO NOTHING",
                    {user.id, user.email, user.name, user.passwordHash, now()})
                   .changed() == 1 &&
               exec("UPDATE users SET seq = $1 WHERE id = $2", {database_.nextSeq(), user.id}).changed() == 1;
    });
}

std::optional<UserRecord> PgAccountStore::userByEmail(const QString& email) {
    const PgResult r = exec("SELECT * FROM users WHERE lower(email) = lower($1)", {email});
    return r.empty() ? std::nullopt : std::optional(userFrom(r, 0));
}

std::optional<UserRecord> PgAccountStore::userById(const QString& id) {
    const PgResult r = exec("SELECT * FROM users WHERE id = $1", {id});
    return r.empty() ? std::nullopt : std::optional(userFrom(r, 0));
}

bool PgAccountStore::createWorkspace(const WorkspaceRecord& w) {
    return exec("INSERT INTO workspaces (id, slug, name, uploads_disabled, created_at) VALUES ($1,$2,$3,$4,$5) "
                "ON CONFLICT DO NOTHING",
                {w.id, w.slug, w.name, w.uploadsDisabled, now()})
               .changed() == 1;
}

std::optional<WorkspaceRecord> PgAccountStore::workspaceBySlug(const QString& slug) {
    const PgResult r = exec("SELECT * FROM workspaces WHERE slug = $1", {slug});
    return r.empty() ? std::nullopt : std::optional(workspaceFrom(r, 0));
}

std::optional<WorkspaceRecord> PgAccountStore::workspaceById(const QString& id) {
    const PgResult r = exec("SELECT * FROM workspaces WHERE id = $1", {id});
    return r.empty() ? std::nullopt : std::optional(workspaceFrom(r, 0));
}

void PgAccountStore::setUploadsDisabled(const QString& workspaceId, bool disabled) {
    exec("UPDATE workspaces SET uploads_disabled = $1 WHERE id = $2", {disabled, workspaceId});
}

void PgAccountStore::setMember(const QString& workspaceId, const QString& userId, const QString& role) {
    pool_.transaction([&] {
        exec("INSERT INTO members (workspace_id, user_id, role, seq) VALUES ($1,$2,$3,$4) ON CONFLICT "
             "(workspace_id, user_id) DO UPDATE SET role = excluded.role, seq = excluded.seq",
             {workspaceId, userId, role, database_.nextSeq()});
        exec("DELETE FROM departures WHERE workspace_id = $1 AND user_id = $2", {workspaceId, userId});
    });
}

bool PgAccountStore::removeMember(const QString& workspaceId, const QString& userId) {
    return pool_.transaction([&] {
        if (exec("DELETE FROM members WHERE workspace_id = $1 AND user_id = $2", {workspaceId, userId}).changed() == 0)
            return false;
        exec("INSERT INTO departures (workspace_id, user_id, seq) VALUES ($1,$2,$3) ON CONFLICT (workspace_id, "
             "user_id) DO UPDATE SET seq = excluded.seq",
             {workspaceId, userId, database_.nextSeq()});
        return true;
    });
}

QStringList PgAccountStore::departuresAfter(const QString& userId, std::int64_t after) {
    QStringList out;
    const PgResult r =
        exec("SELECT workspace_id FROM departures WHERE user_id = $1 AND seq > $2 ORDER BY seq", {userId, after});
    for (int i = 0; i < r.size(); ++i)
        out << r.string(i, "workspace_id").value_or(QString());
    return out;
}

std::vector<Membership> PgAccountStore::memberships(const QString& userId) {
    std::vector<Membership> out;
    const PgResult r = exec("SELECT w.*, m.role FROM members m JOIN workspaces w ON w.id = m.workspace_id "
                            "WHERE m.user_id = $1 ORDER BY w.name",
                            {userId});
    for (int i = 0; i < r.size(); ++i)
        out.push_back({workspaceFrom(r, i), r.string(i, "role").value_or(QStringLiteral("member"))});
    return out;
}

std::vector<PersonRecord> PgAccountStore::peopleChangedAfter(const QStringList& workspaceIds, std::int64_t after) {
    std::vector<PersonRecord> out;
    if (workspaceIds.isEmpty())
        return out;
    const PgResult r = exec("SELECT DISTINCT u.id, u.name, u.email FROM users u JOIN members m ON m.user_id = u.id "
                            "WHERE m.workspace_id = ANY($1::text[]) AND (u.seq > $2 OR m.seq > $2) ORDER BY u.id",
                            {pgArray(workspaceIds), after});
    for (int i = 0; i < r.size(); ++i)
        out.push_back({r.string(i, "id").value_or(QString()), r.string(i, "name").value_or(QString()),
                       r.string(i, "email").value_or(QString())});
    return out;
}

void PgAccountStore::storeAccessToken(const QString& tokenHash, const QString& userId) {
    exec("INSERT INTO access_tokens (token_hash, user_id, created_at) VALUES ($1,$2,$3)", {tokenHash, userId, now()});
}

std::optional<QString> PgAccountStore::userForAccessToken(const QString& tokenHash) {
    const double at = now();
    const double idle = tokenIdleSeconds_;
    const PgResult r = exec("SELECT user_id, COALESCE(last_used_at, created_at) AS used FROM access_tokens "
                            "WHERE token_hash = $1 AND revoked_at IS NULL",
                            {tokenHash});
    if (r.empty())
        return std::nullopt;
    const double used = r.real(0, "used").value_or(0);
    if (idle > 0 && at - used > idle)
        return std::nullopt;
    // Noted at most once a minute, not on every request.
    if (at - used > 60)
        exec("UPDATE access_tokens SET last_used_at = $1 WHERE token_hash = $2", {at, tokenHash});
    return r.string(0, "user_id");
}

std::vector<AccessTokenRecord> PgAccountStore::accessTokens(const QString& email) {
    std::vector<AccessTokenRecord> out;
    const PgResult r = exec("SELECT t.token_hash, u.email, t.created_at, COALESCE(t.last_used_at, t.created_at) AS "
                            "used FROM access_tokens t JOIN users u ON u.id = t.user_id WHERE t.revoked_at IS NULL "
                            "AND ($1 = '' OR lower(u.email) = lower($1)) ORDER BY u.email, t.created_at",
                            {email});
    for (int i = 0; i < r.size(); ++i)
        out.push_back({r.string(i, "token_hash").value_or(QString()), r.string(i, "email").value_or(QString()),
                       r.real(i, "created_at").value_or(0), r.real(i, "used").value_or(0)});
    return out;
}

int PgAccountStore::revokeAccessTokensStartingWith(const QString& prefix) {
    return int(exec("UPDATE access_tokens SET revoked_at = $1 WHERE revoked_at IS NULL AND "
                    "left(token_hash, length($2)) = $2",
                    {now(), prefix})
                   .changed());
}

bool PgAccountStore::removeUser(const QString& userId) {
    return pool_.transaction([&] {
        if (!userById(userId))
            return false;
        for (const Membership& m : memberships(userId))
            removeMember(m.workspace.id, userId);
        exec("DELETE FROM access_tokens WHERE user_id = $1", {userId});
        exec("DELETE FROM web_sessions WHERE user_id = $1", {userId});
        exec("DELETE FROM devices WHERE user_id = $1", {userId});
        exec("DELETE FROM device_authorizations WHERE user_id = $1", {userId});
        exec("DELETE FROM users WHERE id = $1", {userId});
        return true;
    });
}

int PgAccountStore::purgeDeviceAuthorizations(double at) {
    exec("DELETE FROM device_authorizations WHERE expires_at < $1 OR state = 'consumed'", {at});
    return int(exec("SELECT COUNT(*) AS n FROM device_authorizations WHERE state = 'pending'").integer(0, "n").value_or(0));
}

void PgAccountStore::revokeAccessToken(const QString& tokenHash) {
    exec("UPDATE access_tokens SET revoked_at = $1 WHERE token_hash = $2 AND revoked_at IS NULL", {now(), tokenHash});
}

void PgAccountStore::storeDeviceAuthorization(const DeviceAuthorization& a) {
    exec("INSERT INTO device_authorizations (device_code_hash, user_code, client_id, state, user_id, expires_at, "
         "last_poll_at, interval) VALUES ($1,$2,$3,$4,$5,$6,$7,$8) ON CONFLICT (device_code_hash) DO UPDATE SET "
         "user_code = excluded.user_code, client_id = excluded.client_id, state = excluded.state, "
         "user_id = excluded.user_id, expires_at = excluded.expires_at, last_poll_at = excluded.last_poll_at, "
         "interval = excluded.interval",
         {a.deviceCodeHash, a.userCode, a.clientId, authorizationStateText(a.state), a.userId, a.expiresAt,
          a.lastPollAt, a.interval});
}

std::optional<DeviceAuthorization> PgAccountStore::deviceAuthorizationWhere(const char* column, const QString& value) {
    const QByteArray sql = QByteArray("SELECT * FROM device_authorizations WHERE ") + column + " = $1";
    const PgResult r = exec(sql.constData(), {value});
    if (r.empty())
        return std::nullopt;
    DeviceAuthorization a;
    a.deviceCodeHash = r.string(0, "device_code_hash").value_or(QString());
    a.userCode = r.string(0, "user_code").value_or(QString());
    a.clientId = r.string(0, "client_id").value_or(QString());
    a.state = authorizationStateFrom(r.string(0, "state").value_or(QString()));
    a.userId = r.string(0, "user_id");
    a.expiresAt = r.real(0, "expires_at").value_or(0);
    a.lastPollAt = r.real(0, "last_poll_at").value_or(0);
    a.interval = int(r.integer(0, "interval").value_or(5));
    return a;
}

std::optional<DeviceAuthorization> PgAccountStore::deviceAuthorizationByCode(const QString& deviceCodeHash) {
    return deviceAuthorizationWhere("device_code_hash", deviceCodeHash);
}

std::optional<DeviceAuthorization> PgAccountStore::deviceAuthorizationByUserCode(const QString& userCode) {
    return deviceAuthorizationWhere("user_code", userCode);
}

void PgAccountStore::storeWebSession(const QString& sessionHash, const WebSession& s) {
    exec("INSERT INTO web_sessions (session_hash, user_id, csrf_token, expires_at) VALUES ($1,$2,$3,$4) "
         "ON CONFLICT (session_hash) DO UPDATE SET user_id = excluded.user_id, csrf_token = excluded.csrf_token, "
         "expires_at = excluded.expires_at",
         {sessionHash, s.userId, s.csrfToken, s.expiresAt});
}

std::optional<WebSession> PgAccountStore::webSession(const QString& sessionHash) {
    const PgResult r =
        exec("SELECT * FROM web_sessions WHERE session_hash = $1 AND expires_at > $2", {sessionHash, now()});
    if (r.empty())
        return std::nullopt;
    return WebSession{r.string(0, "user_id").value_or(QString()), r.string(0, "csrf_token").value_or(QString()),
                      r.real(0, "expires_at").value_or(0)};
}

void PgAccountStore::deleteWebSession(const QString& sessionHash) {
    exec("DELETE FROM web_sessions WHERE session_hash = $1", {sessionHash});
}

bool PgAccountStore::registerDevice(const QString& userId, const QString& tokenHash, const DeviceRecord& d) {
    return pool_.transaction([&] {
        const PgResult r = exec("SELECT user_id FROM devices WHERE id = $1 FOR UPDATE", {d.id});
        if (!r.empty() && r.string(0, "user_id") != userId)
            return false;
        exec("INSERT INTO devices (id, user_id, name, platform, app_version, last_seen_at, token_hash) "
             "VALUES ($1,$2,$3,$4,$5,$6,$7) ON CONFLICT (id) DO UPDATE SET user_id = excluded.user_id, "
             "name = excluded.name, platform = excluded.platform, app_version = excluded.app_version, "
             "last_seen_at = excluded.last_seen_at, token_hash = excluded.token_hash",
             {d.id, userId, d.name, d.platform, d.appVersion, now(), tokenHash});
        return true;
    });
}

std::optional<QString> PgAccountStore::deviceToken(const QString& deviceId) {
    const PgResult r = exec("SELECT COALESCE(token_hash, '') AS token FROM devices WHERE id = $1", {deviceId});
    return r.empty() ? std::nullopt : r.string(0, "token");
}

std::vector<DeviceRecord> PgAccountStore::devices(const QString& userId) {
    std::vector<DeviceRecord> out;
    const PgResult r = exec("SELECT * FROM devices WHERE user_id = $1 ORDER BY last_seen_at DESC", {userId});
    for (int i = 0; i < r.size(); ++i)
        out.push_back({r.string(i, "id").value_or(QString()), r.string(i, "name").value_or(QString()),
                       r.string(i, "platform").value_or(QString()), r.string(i, "app_version"),
                       r.real(i, "last_seen_at").value_or(0)});
    return out;
}
