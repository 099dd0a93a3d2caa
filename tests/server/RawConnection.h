#pragma once

#include <string>

// A bare TCP connection to the service on loopback, for what no polite
// client sends: half a request head, a trickled body, hundreds of streams.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(RawConnection&& other) noexcept;
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // False once the service has closed the connection.
    bool send(const std::string& bytes);
    // Reads until the text received contains `needle`, the service closes
    // the connection, or `timeoutMs` passes; true when the needle came.
    bool waitFor(const std::string& needle, int timeoutMs);
    // Reads (and keeps) what arrives until the service closes the
    // connection; false if it is still open after `timeoutMs`.
    bool waitForClose(int timeoutMs);
    // Reads without waiting; false when the service has closed the connection.
    bool poll();
    const std::string& received() const { return received_; }
    // The status code of the reply received, 0 before one.
    int status() const;
    bool closedByService() const { return closed_; }

private:
    bool readOnce(int waitMs);

    int fd_ = -1;
    bool closed_ = false;
    std::string received_;
};

// "GET <path> HTTP/1.1" with a Host header, the bearer token if any and
// extra header lines, ending in the blank line.
std::string requestHead(const std::string& method, const std::string& path, const std::string& token = {},
                        const std::string& extraHeaders = {});
