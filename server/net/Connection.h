#pragma once

#include <openssl/ssl.h>

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>

// One accepted client connection: its non-blocking socket, its TLS session
// when the service speaks HTTPS, and the bytes read ahead of the HTTP parser
// (the request head the front door waited for). Closing happens once, when
// the object goes away, and gives the peer address's slot back.
class Connection {
public:
    struct Endpoint {
        std::string address;
        int port = 0;
    };
    enum class Wait { none, readable, writable };

    Connection(int fd, SSL* tls, Endpoint peer, Endpoint local, std::function<void()> onClose);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int fd() const { return fd_; }
    bool secure() const { return tls_ != nullptr; }
    const Endpoint& peer() const { return peer_; }
    const Endpoint& local() const { return local_; }

    // Moves the TLS handshake on; true once it is done. `wait` says what the
    // socket must become before trying again; a failed handshake leaves
    // `failed` set.
    bool handshake(Wait& wait, bool& failed);
    // Non-blocking reads and writes: bytes moved, 0 at the peer's end of
    // stream, -1 when the socket must first become `wait`, -2 on failure.
    // Reads take the read-ahead bytes first.
    ssize_t readSome(char* into, std::size_t size, Wait& wait);
    ssize_t writeSome(const char* from, std::size_t size, Wait& wait);
    // Reads what has arrived into the read-ahead buffer, up to `limit` bytes
    // in all; false when the peer closed or failed.
    bool readAhead(std::size_t limit);
    // Blocks until the socket is `wait` or the deadline passes.
    bool waitFor(Wait wait, std::chrono::steady_clock::time_point deadline) const;

    // The unread part of the read-ahead bytes.
    std::string& readAheadBuffer();
    bool hasBufferedInput() const;

private:
    ssize_t receive(char* into, std::size_t size, Wait& wait);
    ssize_t tlsResult(int result, Wait& wait);

    int fd_;
    SSL* tls_;
    Endpoint peer_;
    Endpoint local_;
    std::function<void()> onClose_;
    std::string ahead_;
    std::size_t aheadUsed_ = 0; // bytes of ahead_ already read
};
