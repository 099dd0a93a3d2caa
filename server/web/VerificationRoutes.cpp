#include "VerificationRoutes.h"

#include "VerificationPage.h"
#include "http/DeviceAuthRoutes.h"
#include "http/HttpJson.h"
#include "http/RequestFields.h"
#include "security/AttemptThrottle.h"
#include "security/PasswordHash.h"
#include "security/Secrets.h"

#include <QDateTime>
#include <QUrl>

namespace {

const char* sessionCookie = "zorvi_session";
const char* loginCookie = "zorvi_login_csrf";
constexpr int sessionSeconds = 12 * 3600;

double now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

QString cookie(const httplib::Request& req, const char* name) {
    const QString prefix = QLatin1String(name) + '=';
    for (const QString& part : HttpJson::header(req, "Cookie").split(';')) {
        const QString trimmed = part.trimmed();
        if (trimmed.startsWith(prefix))
            return trimmed.mid(prefix.size());
    }
    return {};
}

void setCookie(httplib::Response& res, const ServiceContext& ctx, const char* name, const QString& value, int maxAge) {
    QString text = QStringLiteral("%1=%2; Path=/device; HttpOnly; SameSite=Lax; Max-Age=%3")
                       .arg(QLatin1String(name), value)
                       .arg(maxAge);
    if (ctx.config.tls)
        text += QStringLiteral("; Secure");
    res.set_header("Set-Cookie", text.toStdString());
}

void sendPage(httplib::Response& res, int status, const QString& html) {
    res.status = status;
    res.set_content(html.toStdString(), "text/html; charset=utf-8");
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
}

void redirect(httplib::Response& res, const QString& userCode) {
    QString target = QStringLiteral("/device");
    if (!userCode.isEmpty())
        target += QStringLiteral("?user_code=") + QString::fromLatin1(QUrl::toPercentEncoding(userCode));
    res.status = 303;
    res.set_header("Location", target.toStdString());
}

struct Session {
    QString hash;
    WebSession session;
    UserRecord user;
};

std::optional<Session> currentSession(ServiceContext& ctx, const httplib::Request& req) {
    const QString token = cookie(req, sessionCookie);
    if (token.isEmpty() || token.size() > 128)
        return std::nullopt;
    const QString hash = Secrets::sha256Hex(token.toLatin1());
    const auto session = ctx.accounts.webSession(hash);
    if (!session)
        return std::nullopt;
    const auto user = ctx.accounts.userById(session->userId);
    if (!user)
        return std::nullopt;
    return Session{hash, *session, *user};
}

void showSignIn(ServiceContext& ctx, httplib::Response& res, const QString& userCode, int status = 200,
                const QString& error = {}) {
    const QString csrf = Secrets::randomHex(16);
    setCookie(res, ctx, loginCookie, csrf, 3600);
    sendPage(res, status, VerificationPage::signIn(userCode, csrf, error));
}

// Password failures per account and per address, and user codes guessed
// per signed-in person.
struct AttemptGuards {
    AttemptThrottle accounts{{5, std::chrono::seconds(30), std::chrono::minutes(15)}};
    AttemptThrottle addresses{{20, std::chrono::seconds(30), std::chrono::minutes(15)}};
    AttemptThrottle codes{{10, std::chrono::seconds(30), std::chrono::minutes(15)}};
};

QString tooManyAttempts(int seconds) {
    return QStringLiteral("Too many attempts. Try again in %1.")
        .arg(seconds < 120 ? QStringLiteral("%1 seconds").arg(seconds)
                           : QStringLiteral("%1 minutes").arg((seconds + 59) / 60));
}

// A stored hash no password matches, made once, for e-mails without an account.
const QString& unknownUserHash() {
    static const QString hash = PasswordHash::make(Secrets::randomHex(32));
    return hash;
}

// The pending, unexpired authorization a person may decide on.
std::optional<DeviceAuthorization> decidable(ServiceContext& ctx, const QString& userCode) {
    if (userCode.size() != 9)
        return std::nullopt;
    auto a = ctx.accounts.deviceAuthorizationByUserCode(userCode);
    if (!a || a->state != DeviceAuthorization::State::pending || now() >= a->expiresAt)
        return std::nullopt;
    return a;
}

// Answers a code typed by a signed-in person; unknown codes count against
// them, so codes cannot be guessed at speed.
void showCodePage(ServiceContext& ctx, AttemptThrottle& guesses, httplib::Response& res, const Session& s,
                  const QString& userCode) {
    if (userCode.isEmpty())
        return sendPage(res, 200, VerificationPage::enterCode(s.user.name, s.session.csrfToken));
    if (const int wait = guesses.secondsToWait(s.user.id))
        return sendPage(res, 429, VerificationPage::enterCode(s.user.name, s.session.csrfToken, tooManyAttempts(wait)));
    if (!decidable(ctx, userCode)) {
        guesses.failed(s.user.id);
        return sendPage(res, 404,
                        VerificationPage::enterCode(s.user.name, s.session.csrfToken,
                                                    QStringLiteral("That code isn't valid or has expired. "
                                                                   "Start signing in again in Zorvi.")));
    }
    sendPage(res, 200, VerificationPage::approve(s.user.name, s.user.email, userCode, s.session.csrfToken));
}

QString field(const QJsonObject& fields, const char* key) {
    return fields.value(QLatin1String(key)).toString();
}

bool sameToken(const QString& a, const QString& b) {
    return !a.isEmpty() && Secrets::constantTimeEquals(a, b);
}

} // namespace

void registerVerificationRoutes(httplib::Server& server, ServiceContext& ctx) {
    // Wrong passwords and unknown codes, per account, per address and per
    // signed-in person; an address gets more room than one account.
    auto guards = std::make_shared<AttemptGuards>();
    // Made now, so not even the first unknown e-mail pays for making it.
    unknownUserHash();
    server.Get("/device", HttpJson::guarded([&ctx, guards](const httplib::Request& req, httplib::Response& res) {
        const QString userCode = normalizedUserCode(QString::fromStdString(req.get_param_value("user_code")).left(32));
        const auto session = currentSession(ctx, req);
        if (!session)
            return showSignIn(ctx, res, userCode);
        showCodePage(ctx, guards->codes, res, *session, userCode);
    }));

    server.Post("/device/sign-in", HttpJson::guarded([&ctx, guards](const httplib::Request& req, httplib::Response& res) {
        const QJsonObject form = requestFields(req, 16 * 1024);
        const QString userCode = normalizedUserCode(field(form, "user_code").left(32));
        if (!sameToken(field(form, "csrf"), cookie(req, loginCookie)))
            return showSignIn(ctx, res, userCode, 403, QStringLiteral("The form expired. Please sign in again."));
        const QString email = field(form, "email").trimmed().left(320);
        const QString account = email.toLower();
        const QString address = QString::fromStdString(req.remote_addr);
        if (const int wait = std::max(guards->accounts.secondsToWait(account), guards->addresses.secondsToWait(address)))
            return showSignIn(ctx, res, userCode, 429, tooManyAttempts(wait));
        const auto user = ctx.accounts.userByEmail(email);
        // An unknown e-mail costs the same hashing as a known one, so the
        // time of the answer does not tell which addresses have accounts.
        const bool matches =
            PasswordHash::verify(field(form, "password").left(1024), user ? user->passwordHash : unknownUserHash());
        if (!user || !matches) {
            guards->accounts.failed(account);
            guards->addresses.failed(address);
            return showSignIn(ctx, res, userCode, 401, QStringLiteral("Wrong email or password."));
        }
        guards->accounts.succeeded(account);
        const QString token = Secrets::randomHex(32);
        ctx.accounts.storeWebSession(Secrets::sha256Hex(token.toLatin1()),
                                     {user->id, Secrets::randomHex(16), now() + sessionSeconds});
        setCookie(res, ctx, sessionCookie, token, sessionSeconds);
        redirect(res, userCode);
    }));

    server.Post("/device/decision", HttpJson::guarded([&ctx, guards](const httplib::Request& req, httplib::Response& res) {
        const QJsonObject form = requestFields(req, 16 * 1024);
        const QString userCode = normalizedUserCode(field(form, "user_code").left(32));
        const auto session = currentSession(ctx, req);
        if (!session)
            return showSignIn(ctx, res, userCode, 401, QStringLiteral("Please sign in first."));
        if (!sameToken(field(form, "csrf"), session->session.csrfToken))
            return sendPage(res, 403, VerificationPage::outcome(QStringLiteral("That form expired"),
                                                                QStringLiteral("Reload the page and try again.")));
        auto a = decidable(ctx, userCode);
        if (!a)
            return showCodePage(ctx, guards->codes, res, *session, userCode);
        const bool approved = field(form, "decision") == QLatin1String("approve");
        a->state = approved ? DeviceAuthorization::State::approved : DeviceAuthorization::State::denied;
        a->userId = session->user.id;
        ctx.accounts.storeDeviceAuthorization(*a);
        if (approved)
            sendPage(res, 200, VerificationPage::outcome(QStringLiteral("Computer approved"),
                                                         QStringLiteral("You can close this window and go back "
                                                                        "to Zorvi.")));
        else
            sendPage(res, 200, VerificationPage::outcome(QStringLiteral("Sign-in denied"),
                                                         QStringLiteral("That computer was not signed in.")));
    }));

    server.Post("/device/sign-out", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const QJsonObject form = requestFields(req, 16 * 1024);
        const auto session = currentSession(ctx, req);
        if (session && sameToken(field(form, "csrf"), session->session.csrfToken)) {
            ctx.accounts.deleteWebSession(session->hash);
            setCookie(res, ctx, sessionCookie, QString(), 0);
        }
        redirect(res, QString());
    }));
}
