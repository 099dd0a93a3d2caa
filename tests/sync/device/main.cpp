// One computer in the convergence test: a library (ZORVI_HOME) and its sync
// engine talking to ZORVI_API_URL with the token in ZORVI_TEST_TOKEN. The test
// edits the library file directly; on "sync" this process runs one sync and
// answers with the resulting status kind and message; "quit" ends it.
#include "../MemoryTokenStore.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/SyncLedger.h"
#include "sync/ServiceURLs.h"
#include "sync/SyncEngine.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto slot = std::make_shared<MemoryTokenStore::Slot>();
    slot->token = qEnvironmentVariable("ZORVI_TEST_TOKEN");
    ZorviPaths::ensureDirectories();
    CaptureStore store(ZorviPaths::databaseFile());
    if (!store.syncMeta("device_id"))
        SyncLedger(store).setSyncMeta("device_id", Identifiers::make());
    SyncEngine engine(store, ServiceURLs::apiBase().url, "device", std::nullopt,
                      std::make_unique<MemoryTokenStore>(slot));

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit")
            break;
        if (line != "sync")
            continue;
        QEventLoop wait;
        quint64 ticket = 0;
        QObject::connect(&engine, &SyncEngine::syncSettled, &wait, [&](quint64 served) {
            if (served >= ticket)
                wait.quit();
        });
        ticket = engine.requestSync();
        wait.exec();
        const SyncStatus last = engine.currentStatus();
        std::cout << int(last.kind) << ' ' << last.message.toStdString() << std::endl;
    }
    return 0;
}
