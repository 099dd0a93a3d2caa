#pragma once

#include "ConnectionStream.h"

#include <httplib.h>

// httplib's routing and HTTP parsing, without its sockets and threads: the
// front door owns connections, a worker runs one request at a time here.
class RequestProcessor : public httplib::Server {
public:
    // Serves the request at the head of `stream`; `closeAfter` is set when
    // the client asked to close the connection after it.
    bool serveOne(ConnectionStream& stream, bool& closeAfter) {
        return process_request(stream, false, closeAfter, &offerGzipOnly);
    }

private:
    // httplib answers a client that accepts brotli with brotli at its top
    // quality, which spends seconds of CPU on each page of a large pull
    // (longer than building the page). gzip at its default level costs about
    // what brotli at quality 4 would, and shrinks sync pages nearly as well.
    static void offerGzipOnly(httplib::Request& req) {
        auto accepted = req.headers.find("Accept-Encoding");
        if (accepted == req.headers.end() || accepted->second.find("br") == std::string::npos)
            return;
        std::string kept;
        std::string_view rest = accepted->second;
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            std::string_view coding = rest.substr(0, comma);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            coding.remove_prefix(std::min(coding.find_first_not_of(' '), coding.size()));
            if (coding.substr(0, 2) == "br")
                continue;
            kept += (kept.empty() ? "" : ", ") + std::string(coding);
        }
        accepted->second = kept;
    }
};
