// Device sign-in against a real zorvi-server, with the token kept in a real
// Secret Service on the test's private bus.
#include "KeyringHome.h"
#include "ServiceFixture.h"

#include "sync/DeviceSignIn.h"
#include <QTimer>
#include "sync/KeychainTokenStore.h"
#include "sync/SignInError.h"
#include "sync/SyncError.h"

namespace {

class DeviceSignInTest : public KeyringHome {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        KeyringHome::SetUp();
    }

    void serve(QStringList options = {"--device-interval", "1"}) {
        server = std::make_unique<ZorviServer>(std::move(options));
        ServiceAccounts::populate(*server);
        server->start();
        client = std::make_unique<SyncClient>(server->url(), std::nullopt);
    }

    // The person's decision arrives from another thread while the app polls.
    std::thread decideLater(const QString& userCode, bool approve) {
        return std::thread([this, userCode, approve] {
            server->decide(userCode, ServiceAccounts::alice, ServiceAccounts::password, approve);
        });
    }

    template <class Error>
    Error signInFailure(const DeviceCode& code) {
        try {
            DeviceSignIn::waitForToken(*client, tokens, code, CancelFlag());
        } catch (const Error& e) {
            return e;
        }
        throw std::runtime_error("the sign-in did not fail as expected");
    }

    std::unique_ptr<ZorviServer> server;
    std::unique_ptr<SyncClient> client;
    KeychainTokenStore tokens;
};

} // namespace

TEST_F(DeviceSignInTest, ApprovedCodeYieldsATokenKeptOnlyInTheKeyring) {
    serve();
    const DeviceCode code = client->requestDeviceCode();
    EXPECT_TRUE(code.verificationURIComplete.startsWith(server->url().toString()));
    EXPECT_TRUE(code.verificationURIComplete.contains(code.userCode) ||
                code.verificationURIComplete.contains(QString(code.userCode).remove('-')));
    std::thread person = decideLater(code.userCode, true);
    const QString token = DeviceSignIn::waitForToken(*client, tokens, code, CancelFlag());
    person.join();

    EXPECT_EQ(client->token(), token);
    EXPECT_EQ(tokens.read(), token);
    EXPECT_EQ(secretToolLookup({"user", "session", "server", "dev.zorvi.Zorvi"}), token);
    EXPECT_EQ(filesContaining(token), QStringList());

    const AccountInfo info = client->me();
    EXPECT_EQ(info.user.name, "Alice Archer");
    EXPECT_EQ(info.user.email, ServiceAccounts::alice);
    ASSERT_EQ(info.workspaces.size(), 1u);
    EXPECT_EQ(info.workspaces[0].slug, "team");

    client->signOut();
    try {
        client->me();
        FAIL() << "a revoked token still works";
    } catch (const SyncError& e) {
        EXPECT_EQ(e.kind(), SyncError::Kind::unauthorized);
    }
}

TEST_F(DeviceSignInTest, DeniedCodeEndsTheSignInAndStoresNothing) {
    serve();
    const DeviceCode code = client->requestDeviceCode();
    std::thread person = decideLater(code.userCode, false);
    const SignInError e = signInFailure<SignInError>(code);
    person.join();
    EXPECT_EQ(e.kind(), SignInError::Kind::denied);
    EXPECT_EQ(e.description(), "The sign-in was denied in the browser.");
    EXPECT_FALSE(tokens.read());
    EXPECT_FALSE(client->token());
}

TEST_F(DeviceSignInTest, ExpiredCodeEndsTheSignIn) {
    serve({"--device-interval", "1", "--device-code-lifetime", "1"});
    const DeviceCode code = client->requestDeviceCode();
    const SignInError e = signInFailure<SignInError>(code);
    EXPECT_EQ(e.kind(), SignInError::Kind::expired);
    EXPECT_EQ(e.description(), "That code expired. Start again to get a new one.");
    EXPECT_FALSE(tokens.read());

    // A code the app already knows to be past its time is not polled again.
    DeviceCode stale = code;
    stale.deviceCode = "never-polled";
    stale.expiresAt = QDateTime::currentDateTimeUtc().addSecs(-1);
    EXPECT_EQ(signInFailure<SignInError>(stale).kind(), SignInError::Kind::expired);
}

TEST_F(DeviceSignInTest, PollingTooFastIsToldToSlowDownAndCancelStopsPolling) {
    serve({"--device-interval", "3"});
    const DeviceCode code = client->requestDeviceCode();
    EXPECT_DOUBLE_EQ(code.interval, 3);
    EXPECT_TRUE(std::holds_alternative<DevicePoll::Pending>(client->pollDeviceToken(code.deviceCode)));
    EXPECT_TRUE(std::holds_alternative<DevicePoll::SlowDown>(client->pollDeviceToken(code.deviceCode)));

    CancelFlag cancel;
    QTimer::singleShot(200, [cancel] { cancel.cancel(); });
    EXPECT_THROW(DeviceSignIn::waitForToken(*client, tokens, code, cancel), Cancelled);
    EXPECT_FALSE(tokens.read());
}
