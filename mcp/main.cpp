#include "AgentName.h"
#include "McpSession.h"
#include "StdioServer.h"
#include "ToolRegistry.h"
#include "ZorviTools.h"

#include "common/ZorviError.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <exception>

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
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseURL());
    } catch (const ZorviError& error) {
        std::fprintf(stderr, "zorvi-mcp: can't open the library at %s: %s\n",
                     qPrintable(ZorviPaths::databaseURL()), qPrintable(error.description()));
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorvi-mcp: can't open the library at %s: %s\n",
                     qPrintable(ZorviPaths::databaseURL()), error.what());
        return 1;
    }

    ToolRegistry tools;
    registerZorviTools(tools, ToolContext{*store, AgentName::fromEnvironment()});
    McpSession session(tools, QCoreApplication::applicationVersion());
    StdioServer::run(session, stdin, stdout);
    return 0;
}
