#include "FileReply.h"

#include "ConnectionStream.h"

namespace FileReply {

namespace {

struct Span {
    qint64 first = 0;
    qint64 length = 0;
    bool partial = false;
};

// The bytes to send; nullopt when the one range asked for lies outside the file.
std::optional<Span> spanOf(const httplib::Ranges& ranges, qint64 size) {
    if (ranges.size() != 1)
        return Span{0, size, false};
    const auto [from, to] = ranges.front();
    qint64 first = from, last = to < 0 ? size - 1 : std::min<qint64>(to, size - 1);
    if (from < 0) // "-N": the last N bytes
        first = std::max<qint64>(0, size - to), last = size - 1;
    if (first >= size || last < first)
        return std::nullopt;
    return Span{first, last - first + 1, true};
}

} // namespace

void send(Connection& connection, QIODevice& file, const httplib::Ranges& ranges, const std::string& contentType,
          const std::string& extraHeaders, bool headOnly) {
    ConnectionStream out(connection, ConnectionStream::Clock::now(), std::chrono::seconds(30));
    const qint64 size = file.size();
    const std::optional<Span> span = spanOf(ranges, size);
    if (!span) {
        const std::string head = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                                 std::to_string(size) + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        out.write(head.data(), head.size());
        return;
    }
    std::string head = span->partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    if (span->partial)
        head += "Content-Range: bytes " + std::to_string(span->first) + "-" +
                std::to_string(span->first + span->length - 1) + "/" + std::to_string(size) + "\r\n";
    head += "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(span->length) +
            "\r\nAccept-Ranges: bytes\r\n" + extraHeaders + "Connection: close\r\n\r\n";
    if (out.write(head.data(), head.size()) < 0 || headOnly || !file.seek(span->first))
        return;
    char buffer[64 * 1024];
    for (qint64 left = span->length; left > 0;) {
        const qint64 n = file.read(buffer, std::min<qint64>(left, sizeof buffer));
        if (n <= 0 || out.write(buffer, std::size_t(n)) < 0)
            return;
        left -= n;
    }
}

} // namespace FileReply
