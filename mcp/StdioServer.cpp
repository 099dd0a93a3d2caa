#include "StdioServer.h"

#include "McpSession.h"

#include <QByteArray>

#include <cstdlib>

namespace StdioServer {

void run(McpSession& session, std::FILE* input, std::FILE* output) {
    char* buffer = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    // getline grows the buffer as needed: a message may carry a long note.
    while ((length = ::getline(&buffer, &capacity, input)) >= 0) {
        QByteArray line(buffer, length);
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (const std::optional<QByteArray> reply = session.handle(line)) {
            std::fwrite(reply->constData(), 1, reply->size(), output);
            std::fflush(output);
        }
    }
    std::free(buffer);
}

} // namespace StdioServer
