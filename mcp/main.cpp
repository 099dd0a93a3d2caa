#include "AgentName.h"
#include "McpSession.h"
#include "StdioServer.h"
#include "ToolRegistry.h"
#include "ZorviTools.h"

#include "common/ZorviError.h"
#include "store/CaptureStore.h"
#include "store/LibraryHealth.h"
#include "store/ZorviPaths.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <exception>
#include <future>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A client that goes away mid-reply must not kill us: the failed write is
    // ignored and the end of input then ends the session.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationName("zorvi-mcp");
    QCoreApplication::setApplicationVersion(PROJECT_VERSION_TEXT);

    // stdout carries protocol messages only; every diagnostic goes to stderr.
    std::unique_ptr<CaptureStore> store;
    try {
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    } catch (const ZorviError& error) {
        std::fprintf(stderr, "zorvi-mcp: can't open the library at %s: %s\n",
                     qPrintable(ZorviPaths::databaseFile()), qPrintable(error.description()));
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorvi-mcp: can't open the library at %s: %s\n",
                     qPrintable(ZorviPaths::databaseFile()), error.what());
        return 1;
    }

    ToolRegistry tools;
    registerZorviTools(tools, ToolContext{*store, AgentName::fromEnvironment()});
    // Checked on a connection of its own while the session starts; the app
    // keeps the backup, so this one only looks.
    const std::shared_future<LibraryHealth::Report> health =
        std::async(std::launch::async, [path = ZorviPaths::databaseFile()] {
            return LibraryHealth::check(path, -1);
        }).share();
    tools.setWarning([health]() -> std::optional<QString> {
        if (health.wait_for(std::chrono::seconds(0)) != std::future_status::ready || health.get().sound)
            return std::nullopt;
        return QStringLiteral("Warning: the Zorvi library is damaged; these results may be incomplete.\n") +
               health.get().advice();
    });
    McpSession session(tools, QCoreApplication::applicationVersion());
    StdioServer::run(session, stdin, stdout);
    return 0;
}
