#include "McpSession.h"
#include "StdioServer.h"
#include "ToolRegistry.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("zorvi-mcp");
    QCoreApplication::setApplicationVersion(PROJECT_VERSION_TEXT);

    ToolRegistry tools;
    McpSession session(tools, QCoreApplication::applicationVersion());
    StdioServer::run(session, stdin, stdout);
    return 0;
}
