#pragma once

#include "Connection.h"

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>

// The HTTP parser's view of a connection while a worker serves one request:
// blocking reads and writes over the non-blocking socket, where every read
// gives up at the request's deadline, so a client that trickles its body
// cannot hold a worker for longer than its size allows.
class ConnectionStream : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    ConnectionStream(Connection& connection, Clock::time_point readDeadline, std::chrono::seconds writeTimeout)
        : connection_(connection), readDeadline_(readDeadline), writeTimeout_(writeTimeout) {}

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return connection_.fd(); }

    std::size_t bytesRead() const { return bytesRead_; }
    // Reads and drops `bytes` (a body nobody wanted) by `deadline`.
    bool discard(std::size_t bytes, Clock::time_point deadline);
    bool failed() const { return failed_; }

    // From here on the connection belongs to `taker` (a live event stream),
    // which gets it once the request is over; whatever the parser still
    // writes is dropped.
    using Taker = std::function<void(std::unique_ptr<Connection>)>;
    void handOver(Taker taker) { taker_ = std::move(taker); }
    bool handedOver() const { return bool(taker_); }
    void passOn(std::unique_ptr<Connection> connection) { taker_(std::move(connection)); }

    // The stream the calling worker is serving, for handlers that take the
    // connection over; null outside a request.
    static ConnectionStream* current();
    class Serving {
    public:
        explicit Serving(ConnectionStream& stream);
        ~Serving();
    };

private:
    Connection& connection_;
    Clock::time_point readDeadline_;
    std::chrono::seconds writeTimeout_;
    std::size_t bytesRead_ = 0;
    bool failed_ = false;
    Taker taker_;
};
