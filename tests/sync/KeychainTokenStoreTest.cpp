#include "KeyringHome.h"

#include "sync/KeychainTokenStore.h"

#include <QThread>

using KeychainTokenStoreTest = KeyringHome;

TEST_F(KeychainTokenStoreTest, KeepsOneTokenInTheSecretServiceOnly) {
    KeychainTokenStore tokens;
    EXPECT_FALSE(tokens.read());
    tokens.write("zt_first-token-value");
    tokens.write("zt_second-token-value");
    EXPECT_EQ(tokens.read(), QString("zt_second-token-value"));
    EXPECT_EQ(secretToolLookup({"user", "session", "server", "dev.zorvi.Zorvi"}), "zt_second-token-value");
    EXPECT_EQ(filesContaining("zt_second-token-value"), QStringList());
    EXPECT_EQ(filesContaining("zt_first-token-value"), QStringList());
    tokens.remove();
    EXPECT_FALSE(tokens.read());
    tokens.remove(); // removing nothing is fine
}

// The sync engine keeps and forgets tokens on its own thread.
TEST_F(KeychainTokenStoreTest, WorksFromAWorkerThread) {
    QThread worker;
    worker.start();
    std::optional<QString> readBack;
    std::atomic<bool> done = false;
    QObject context;
    context.moveToThread(&worker);
    QMetaObject::invokeMethod(&context, [&] {
        try {
            KeychainTokenStore tokens;
            tokens.write("zt_threaded");
            readBack = tokens.read();
        } catch (const TokenStoreError& e) {
            ADD_FAILURE() << e.what();
        }
        done = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return done.load(); }, 20'000));
    worker.quit();
    worker.wait();
    EXPECT_EQ(readBack, QString("zt_threaded"));
    EXPECT_EQ(KeychainTokenStore().read(), QString("zt_threaded"));
}

TEST(KeychainWithoutService, WriteFailsClearlyAndReadIsAbsent) {
    ensureQtApplication();
    // No daemon on this private bus: nothing can keep the token.
    KeychainTokenStore tokens;
    EXPECT_FALSE(tokens.read());
    try {
        tokens.write("zt_nowhere");
        FAIL() << "a token was accepted without a keyring";
    } catch (const TokenStoreError& e) {
        EXPECT_TRUE(e.description().startsWith("Zorvi can't keep your session in the keyring")) << e.description().toStdString();
    }
}
