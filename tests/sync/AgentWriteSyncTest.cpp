// An agent's write through zorvi-mcp reaches the workspace as fast as the
// person's own: the engine hears the library's change signal from the other
// process and runs after its short debounce, not at its next loop.
#include "EngineFixture.h"
#include "support/QtPrinters.h"

#include "store/StoreChangeSignal.h"
#include "sync/SyncEngine.h"

#include <QDBusConnection>
#include <QDBusMessage>

using AgentWriteSyncTest = EngineFixture;

TEST_F(AgentWriteSyncTest, AnotherProcesssWriteIsPushedWithoutWaitingForTheLoop) {
    signInAsBob();
    ASSERT_TRUE(waitForStatus(SyncStatus::Kind::idle));

    // The write lands in the library file without telling this process's
    // account, as one from zorvi-mcp does; its signal comes from another
    // bus connection, as another process's would.
    const Capture capture = newSharedCapture("resolved by the agent");
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "zorvi-mcp-stand-in");
    ASSERT_TRUE(other.isConnected());
    other.send(QDBusMessage::createSignal(StoreChangeSignal::path, StoreChangeSignal::interface,
                                          StoreChangeSignal::member));

    const auto onServer = [&] {
        for (const QJsonObject& row : serverCaptures(server, ServiceAccounts::bob))
            if (row.value("id").toString() == capture.id)
                return true;
        return false;
    };
    // Well inside the 30-second loop.
    EXPECT_TRUE(processEventsUntil(onServer, SyncEngine::loopIntervalMs / 3));
    QDBusConnection::disconnectFromBus("zorvi-mcp-stand-in");
}
