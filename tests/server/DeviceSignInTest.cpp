#include "ServiceFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <thread>

namespace {

const char* grant = "urn:ietf:params:oauth:grant-type:device_code";

struct Code {
    QString deviceCode;
    QString userCode;
    int interval = 0;
};

Code requestCode(ServiceClient& api) {
    auto reply = api.post("/api/auth/device/code", {{"client_id", "zorvi-desktop"}, {"scope", "openid profile email"}});
    EXPECT_EQ(reply.status, 200) << reply.body;
    EXPECT_TRUE(reply.json.value("verification_uri_complete").toString().endsWith(
        "/device?user_code=" + reply.json.value("user_code").toString()));
    return {reply.json.value("device_code").toString(), reply.json.value("user_code").toString(),
            reply.json.value("interval").toInt()};
}

ServiceClient::Reply poll(ServiceClient& api, const Code& code) {
    return api.post("/api/auth/device/token",
                    {{"grant_type", grant}, {"device_code", code.deviceCode}, {"client_id", "zorvi-desktop"}});
}

QString error(const ServiceClient::Reply& reply) {
    return reply.json.value("error").toString();
}

QString field(const std::string& html, const char* name) {
    const QRegularExpression re(QStringLiteral("name=\"%1\" value=\"([^\"]*)\"").arg(QLatin1String(name)));
    return re.match(QString::fromStdString(html)).captured(1);
}

std::string cookieOf(const httplib::Result& r) {
    const std::string c = r->get_header_value("Set-Cookie");
    return c.substr(0, c.find(';'));
}

// Signs in on the verification page and presses a button; returns the
// decision page.
httplib::Result decide(const QString& baseUrl, const QString& userCode, const char* decision) {
    httplib::Client browser(baseUrl.toStdString());
    auto page = browser.Get(("/device?user_code=" + userCode).toStdString());
    auto signedIn = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", cookieOf(page)}},
                                 httplib::Params{{"email", "bob@acme.test"},
                                                 {"password", ServiceFixture::password},
                                                 {"csrf", field(page->body, "csrf").toStdString()},
                                                 {"user_code", userCode.toStdString()}});
    const httplib::Headers session{{"Cookie", cookieOf(signedIn)}};
    auto approval = browser.Get(("/device?user_code=" + userCode).toStdString(), session);
    return browser.Post("/device/decision", session,
                        httplib::Params{{"csrf", field(approval->body, "csrf").toStdString()},
                                        {"user_code", userCode.toStdString()},
                                        {"decision", decision}});
}

} // namespace

class DeviceSignIn : public ServiceFixture {
protected:
    void SetUp() override { startService({"--device-interval", "1"}); }
};
ON_EVERY_BACKEND(DeviceSignIn);

TEST_P(DeviceSignIn, PollingReportsPendingSlowDownDenialAndTheToken) {
    ServiceClient api(url());

    const Code waiting = requestCode(api);
    EXPECT_EQ(waiting.interval, 1);
    EXPECT_TRUE(QRegularExpression("^[B-DF-HJ-NP-TV-XZ]{4}-[B-DF-HJ-NP-TV-XZ]{4}$").match(waiting.userCode).hasMatch());
    EXPECT_EQ(error(poll(api, waiting)), "authorization_pending");
    auto tooSoon = poll(api, waiting);
    EXPECT_EQ(tooSoon.status, 400);
    EXPECT_EQ(error(tooSoon), "slow_down");
    EXPECT_TRUE(tooSoon.json.value("error_description").toString().contains("6 seconds"));

    const Code approved = requestCode(api);
    auto decided = decide(url(), approved.userCode, "approve");
    ASSERT_TRUE(decided);
    EXPECT_NE(decided->body.find("Computer approved"), std::string::npos);
    auto granted = poll(api, approved);
    ASSERT_EQ(granted.status, 200) << granted.body;
    const QString token = granted.json.value("access_token").toString();
    EXPECT_EQ(token.size(), 64);
    EXPECT_EQ(granted.json.value("token_type").toString(), "Bearer");
    EXPECT_EQ(error(poll(api, approved)), "invalid_grant") << "a code yields one token";

    // The token is Bob's, and is stored only as a hash.
    ServiceClient bob(url(), token);
    auto me = bob.get("/v1/me");
    ASSERT_EQ(me.status, 200);
    EXPECT_EQ(me.json.value("user").toObject().value("email").toString(), "bob@acme.test");
    EXPECT_EQ(me.json.value("workspaces").toArray().size(), 1);
    EXPECT_EQ(me.json.value("workspaces").toArray()[0].toObject().value("slug").toString(), "acme");
    const QByteArray stored = databaseContents();
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_FALSE(stored.contains(token.toLatin1()));

    auto registered = bob.post("/v1/devices", {{"id", "bob-laptop"}, {"name", "bob's laptop"}, {"platform", "linux"},
                                               {"app_version", QJsonValue::Null}});
    EXPECT_EQ(registered.status, 200) << registered.body;
    EXPECT_EQ(bob.get("/v1/devices").json.value("devices").toArray().size(), 1);

    // Signing out revokes the token at once.
    EXPECT_EQ(bob.post("/api/auth/sign-out", QJsonObject{}).status, 200);
    EXPECT_EQ(bob.get("/v1/me").status, 401);

    // A denied code says so.
    const Code denied = requestCode(api);
    auto refusal = decide(url(), denied.userCode, "deny");
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->body.find("Sign-in denied"), std::string::npos);
    EXPECT_EQ(error(poll(api, denied)), "access_denied");

    EXPECT_EQ(error(api.post("/api/auth/device/token", {{"grant_type", "password"}})), "unsupported_grant_type");
}

// Codes that live one second, so a code is seen to expire without waiting out a real lifetime.
class ShortLivedDeviceCode : public ServiceFixture {
protected:
    void SetUp() override { startService({"--device-interval", "1", "--device-code-lifetime", "1"}); }
};
ON_EVERY_BACKEND(ShortLivedDeviceCode);

TEST_P(ShortLivedDeviceCode, AnUnapprovedCodeExpiresAndCanNoLongerBeApproved) {
    ServiceClient api(url());
    const Code forgotten = requestCode(api);
    // Expiry is told before pacing, so polls that come too soon end as soon as the code has expired.
    QString state;
    QElapsedTimer waited;
    waited.start();
    while (state != "expired_token" && waited.elapsed() < 30'000) {
        if (!state.isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        state = error(poll(api, forgotten));
        ASSERT_TRUE(state == "authorization_pending" || state == "slow_down" || state == "expired_token")
            << state.toStdString();
    }
    EXPECT_EQ(state, "expired_token");
    EXPECT_EQ(decide(url(), forgotten.userCode, "approve")->status, 404) << "an expired code cannot be approved";
}

TEST_P(ServiceFixture, VerificationPageRefusesWrongPasswordsAndForgedForms) {
    ServiceClient api(url());
    const Code code = requestCode(api);
    httplib::Client browser(url().toStdString());
    auto page = browser.Get(("/device?user_code=" + code.userCode).toStdString());
    ASSERT_EQ(page->status, 200);
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
    const std::string loginCookie = cookieOf(page);

    auto wrong = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", loginCookie}},
                              httplib::Params{{"email", "bob@acme.test"},
                                              {"password", "not it"},
                                              {"csrf", field(page->body, "csrf").toStdString()},
                                              {"user_code", code.userCode.toStdString()}});
    EXPECT_EQ(wrong->status, 401);
    EXPECT_NE(wrong->body.find("Wrong email or password."), std::string::npos);

    // A form posted from elsewhere carries no matching token.
    auto forged = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", loginCookie}},
                               httplib::Params{{"email", "bob@acme.test"},
                                               {"password", password},
                                               {"csrf", "0123456789abcdef0123456789abcdef"},
                                               {"user_code", code.userCode.toStdString()}});
    EXPECT_EQ(forged->status, 403);
    EXPECT_TRUE(forged->get_header_value("Set-Cookie").find("zorvi_session") == std::string::npos);

    // Signed in, a decision without the session's token changes nothing.
    auto fresh = browser.Get(("/device?user_code=" + code.userCode).toStdString());
    auto signedIn = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", cookieOf(fresh)}},
                                 httplib::Params{{"email", "bob@acme.test"},
                                                 {"password", password},
                                                 {"csrf", field(fresh->body, "csrf").toStdString()},
                                                 {"user_code", code.userCode.toStdString()}});
    ASSERT_EQ(signedIn->status, 303);
    auto noToken = browser.Post("/device/decision", httplib::Headers{{"Cookie", cookieOf(signedIn)}},
                                httplib::Params{{"user_code", code.userCode.toStdString()}, {"decision", "approve"}});
    EXPECT_EQ(noToken->status, 403);
    EXPECT_EQ(error(poll(api, code)), "authorization_pending");

}

// The account tab's "Create an account" and "Open workspace" links land on
// pages that tell a person what to do on a self-hosted service.
TEST_P(ServiceFixture, TheAccountTabsLinksLandOnPagesForPeople) {
    ServiceClient visitor(url());
    for (const char* path : {"/sign-up", "/app"}) {
        const auto page = visitor.get(path);
        EXPECT_EQ(page.status, 200) << path << ": " << page.body;
        EXPECT_EQ(page.body.rfind("<!doctype html>", 0), 0u) << path << ": " << page.body;
        EXPECT_NE(page.body.find("<h1"), std::string::npos) << path;
    }
}
