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
        return process_request(stream, false, closeAfter, [](httplib::Request&) {});
    }
};
