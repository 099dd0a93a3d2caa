// Signing in and out through the app's Account: the device flow with a real
// browser-side approval, the token in a real Secret Service, moving local
// captures into the workspace, and what sign-out leaves behind.
#include "KeyringHome.h"
#include "ScreenshotFile.h"
#include "ServiceFixture.h"

#include "account/Account.h"
#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/SyncLedger.h"
#include "sync/ContentHash.h"
#include "sync/KeychainTokenStore.h"
#include "sync/SyncError.h"


namespace {

class AccountSignInTest : public KeyringHome {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        KeyringHome::SetUp();
        ZorviPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        ServiceAccounts::populate(server);
        server.start();
        qputenv("ZORVI_API_URL", server.url().toString().toUtf8());
    }
    void TearDown() override {
        account.reset();
        qunsetenv("ZORVI_API_URL");
    }

    void startAccount() {
        account = std::make_unique<Account>(*store, nullptr, [this](const QUrl& url) { opened << url; });
    }

    // Signs in through the account while a person decides on the approval page.
    void signIn(bool approve) {
        account->signIn();
        ASSERT_TRUE(processEventsUntil([&] { return account->pendingCode().has_value(); }, 20'000));
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.front().toString(), account->pendingCode()->verificationURIComplete);
        std::thread person([this, code = account->pendingCode()->userCode, approve] {
            server.decide(code, ServiceAccounts::alice, ServiceAccounts::password, approve);
        });
        processEventsUntil([&] { return !account->pendingCode() && (account->me() || account->signInError()); },
                           30'000);
        person.join();
    }

    // A capture on this computer only, with a screenshot file.
    Capture localCapture(const QString& note, const QByteArray& bytes) {
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = note;
        store->insert(c);
        addScreenshotFile(*store, c.id, bytes);
        return c;
    }

    std::unique_ptr<CaptureStore> store;
    ZorviServer server;
    std::unique_ptr<Account> account;
    QList<QUrl> opened;
};

} // namespace

TEST_F(AccountSignInTest, SignInAdoptLocalWorkAndSignOut) {
    const QByteArray screenshot = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, 'z');
    const Capture moved = localCapture("moves into the workspace", screenshot);
    const Capture stays = localCapture("stays on this computer", "\x89PNG other");
    startAccount();
    EXPECT_EQ(account->statusLine(), "Not signed in");
    EXPECT_FALSE(account->me());
    EXPECT_EQ(account->localCaptureCount(), 2);

    signIn(true);
    ASSERT_TRUE(account->me());
    EXPECT_EQ(account->me()->name, "Alice Archer");
    EXPECT_FALSE(account->signInError());
    ASSERT_EQ(account->workspaces().size(), 1u);
    ASSERT_TRUE(account->defaultWorkspace());
    const QString workspace = account->defaultWorkspace()->id;
    const std::optional<QString> token = KeychainTokenStore().read();
    ASSERT_TRUE(token);
    EXPECT_EQ(secretToolLookup({"user", "session", "server", "dev.zorvi.Zorvi"}), *token);
    EXPECT_EQ(filesContaining(*token), QStringList());

    account->adoptLocalCaptures(workspace, QStringList{moved.id});
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return account->status().kind == SyncStatus::Kind::idle && account->localCaptureCount() == 1 &&
                   SyncLedger(*store).pending("captures", 10).empty() && SyncLedger(*store).pending("capture_images", 10).empty();
        },
        30'000));
    // The service has the screenshot's bytes under the hash the row names.
    const CaptureImage pushed = store->images(moved.id).at(0);
    ASSERT_TRUE(pushed.originalSHA256);
    EXPECT_EQ(*pushed.originalSHA256, ContentHash::sha256(screenshot));
    SyncClient bob(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::bob));
    EXPECT_EQ(bob.downloadBlob(workspace, *pushed.originalSHA256), screenshot);

    account->signOut();
    ASSERT_TRUE(processEventsUntil([&] { return account->status().kind == SyncStatus::Kind::signedOut; }, 20'000));
    processEventsUntil([&] { return !account->me(); }, 5'000);
    EXPECT_FALSE(account->me());
    EXPECT_EQ(account->statusLine(), "Not signed in");
    EXPECT_FALSE(KeychainTokenStore().read());
    EXPECT_EQ(secretToolLookup({"user", "session", "server", "dev.zorvi.Zorvi"}), "");
    SyncClient revoked(server.url(), *token);
    EXPECT_THROW(revoked.me(), SyncError);
    EXPECT_FALSE(store->capture(moved.id));
    EXPECT_TRUE(store->capture(stays.id));
    EXPECT_TRUE(account->workspaces().empty());
}

TEST_F(AccountSignInTest, ADeniedApprovalShowsWhyAndStoresNothing) {
    startAccount();
    signIn(false);
    EXPECT_EQ(account->signInError(), QString("The sign-in was denied in the browser."));
    EXPECT_FALSE(account->pendingCode());
    EXPECT_FALSE(account->me());
    EXPECT_FALSE(KeychainTokenStore().read());
    EXPECT_EQ(account->status().kind, SyncStatus::Kind::signedOut);
}

namespace {

// A desktop with no Secret Service on its bus: nothing can keep a token.
class AccountWithoutKeyringTest : public AccountSignInTest {
protected:
    AccountWithoutKeyringTest() { withKeyring = false; }
};

} // namespace

TEST_F(AccountWithoutKeyringTest, AnApprovedSignInThatCannotBeKeptLeavesNoSessionAnywhere) {
    startAccount();
    signIn(true);
    ASSERT_TRUE(account->signInError());
    EXPECT_TRUE(account->signInError()->startsWith("Zorvi can't keep your session in the keyring"))
        << account->signInError()->toStdString();
    EXPECT_FALSE(account->me());
    EXPECT_EQ(account->status().kind, SyncStatus::Kind::signedOut);
    // The token the approval issued was handed back: no session lives on,
    // on the service or in this process, that the next launch would not know of.
    EXPECT_TRUE(server.admin({"token", "list"}).contains("No tokens in force"));
}
