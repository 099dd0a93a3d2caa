#include "DeviceAuthRoutes.h"

#include "HttpJson.h"
#include "RequestFields.h"
#include "security/AttemptThrottle.h"
#include "security/Secrets.h"

#include <QDateTime>

#include <mutex>

namespace {

// Sign-ins waiting for approval, from everyone; beyond this, new ones wait.
constexpr int maxPendingCodes = 1000;

// RFC 8628's suggested alphabet: no vowels (no words), no look-alikes.
const char userCodeAlphabet[] = "BCDFGHJKLMNPQRSTVWXZ";

double now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

QString makeUserCode() {
    const QByteArray random = QByteArray::fromHex(Secrets::randomHex(8).toLatin1());
    QString code;
    for (int i = 0; i < 8; ++i) {
        if (i == 4)
            code += '-';
        code += QChar::fromLatin1(userCodeAlphabet[uchar(random[i]) % 20]);
    }
    return code;
}

// Token endpoint errors follow RFC 6749: a top-level "error" text.
void oauthError(httplib::Response& res, const char* error, const QString& description) {
    HttpJson::send(res, 400, {{"error", QLatin1String(error)}, {"error_description", description}});
}

QString text(const QJsonObject& fields, const char* key) {
    return fields.value(QLatin1String(key)).toString();
}

} // namespace

QString normalizedUserCode(const QString& typed) {
    QString letters;
    for (QChar c : typed.toUpper())
        if (c.isLetter())
            letters += c;
    if (letters.size() != 8)
        return letters;
    return letters.left(4) + '-' + letters.mid(4);
}

void registerDeviceAuthRoutes(httplib::Server& server, ServiceContext& ctx) {
    // Codes per address, counted like failures: a burst of them waits.
    auto issued = std::make_shared<AttemptThrottle>(AttemptThrottle::Policy{20, std::chrono::seconds(30),
                                                                            std::chrono::minutes(15)});
    server.Post("/api/auth/device/code", HttpJson::guarded([&ctx, issued](const httplib::Request& req, httplib::Response& res) {
        const QJsonObject fields = requestFields(req, 16 * 1024);
        const QString clientId = text(fields, "client_id");
        if (clientId.isEmpty() || clientId.size() > 64) {
            HttpJson::send(res, 400, {{"error", "invalid_client"}, {"error_description", "client_id is required"}});
            return;
        }
        if (const int wait = issued->secondsToWait(QString::fromStdString(req.remote_addr))) {
            HttpJson::send(res, 429, {{"error", "slow_down"},
                                      {"error_description", QStringLiteral("try again in %1 seconds").arg(wait)}});
            return;
        }
        issued->failed(QString::fromStdString(req.remote_addr));
        if (ctx.accounts.purgeDeviceAuthorizations(now()) >= maxPendingCodes) {
            HttpJson::send(res, 503, {{"error", "temporarily_unavailable"},
                                      {"error_description", "too many sign-ins are waiting; try again later"}});
            return;
        }
        const QString deviceCode = Secrets::randomHex(32);
        DeviceAuthorization a;
        a.deviceCodeHash = Secrets::sha256Hex(deviceCode.toLatin1());
        a.clientId = clientId;
        a.expiresAt = now() + ctx.config.deviceCodeLifetimeSeconds;
        a.interval = ctx.config.devicePollIntervalSeconds;
        // A clash of user codes is unlikely (20^8); try again rather than fail.
        for (int attempt = 0; attempt < 5; ++attempt) {
            a.userCode = makeUserCode();
            if (!ctx.accounts.deviceAuthorizationByUserCode(a.userCode))
                break;
        }
        ctx.accounts.storeDeviceAuthorization(a);
        const QString page = HttpJson::origin(req, ctx.config.publicUrl, ctx.config.tls) + QStringLiteral("/device");
        HttpJson::send(res, 200,
                       {{"device_code", deviceCode},
                        {"user_code", a.userCode},
                        {"verification_uri", page},
                        {"verification_uri_complete", page + QStringLiteral("?user_code=") + a.userCode},
                        {"expires_in", ctx.config.deviceCodeLifetimeSeconds},
                        {"interval", a.interval}});
    }));

    server.Post("/api/auth/device/token", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const QJsonObject fields = requestFields(req, 16 * 1024);
        if (text(fields, "grant_type") != QLatin1String("urn:ietf:params:oauth:grant-type:device_code"))
            return oauthError(res, "unsupported_grant_type", QStringLiteral("use the device_code grant"));
        const QString deviceCode = text(fields, "device_code");
        if (deviceCode.isEmpty() || deviceCode.size() > 256)
            return oauthError(res, "invalid_request", QStringLiteral("device_code is required"));

        // One poll at a time, so an approved code yields exactly one token.
        static std::mutex polling;
        std::lock_guard guard(polling);
        auto a = ctx.accounts.deviceAuthorizationByCode(Secrets::sha256Hex(deviceCode.toUtf8()));
        if (!a || a->state == DeviceAuthorization::State::consumed)
            return oauthError(res, "invalid_grant", QStringLiteral("unknown or used device code"));
        const double at = now();
        if (at >= a->expiresAt)
            return oauthError(res, "expired_token", QStringLiteral("the code expired"));
        if (a->state == DeviceAuthorization::State::denied)
            return oauthError(res, "access_denied", QStringLiteral("the sign-in was denied"));
        const bool tooSoon = a->lastPollAt > 0 && at - a->lastPollAt < a->interval;
        a->lastPollAt = at;
        if (tooSoon) {
            a->interval += 5;
            ctx.accounts.storeDeviceAuthorization(*a);
            return oauthError(res, "slow_down", QStringLiteral("poll every %1 seconds").arg(a->interval));
        }
        if (a->state == DeviceAuthorization::State::pending) {
            ctx.accounts.storeDeviceAuthorization(*a);
            return oauthError(res, "authorization_pending", QStringLiteral("waiting for approval"));
        }
        const QString token = Secrets::randomHex(32);
        ctx.accounts.storeAccessToken(Secrets::sha256Hex(token.toLatin1()), *a->userId);
        a->state = DeviceAuthorization::State::consumed;
        ctx.accounts.storeDeviceAuthorization(*a);
        HttpJson::send(res, 200, {{"access_token", token}, {"token_type", "Bearer"}, {"scope", "openid profile email"}});
    }));
}
