#include "RawConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

RawConnection::RawConnection(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection() {
    if (fd_ >= 0)
        ::close(fd_);
}

RawConnection::RawConnection(RawConnection&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), closed_(other.closed_), received_(std::move(other.received_)) {}

bool RawConnection::send(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return fd_ >= 0;
}

bool RawConnection::readOnce(int waitMs) {
    if (fd_ < 0 || closed_)
        return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return true;
    char buffer[16 * 1024];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0)
        received_.append(buffer, std::size_t(n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR))
        closed_ = true;
    return !closed_;
}

bool RawConnection::poll() {
    return readOnce(0);
}

bool RawConnection::waitFor(const std::string& needle, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (received_.find(needle) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readOnce(int(left.count())))
            return received_.find(needle) != std::string::npos;
    }
    return true;
}

bool RawConnection::waitForClose(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!closed_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        readOnce(int(left.count()));
    }
    return true;
}

int RawConnection::status() const {
    if (received_.rfind("HTTP/1.1 ", 0) != 0 || received_.size() < 12)
        return 0;
    return std::stoi(received_.substr(9, 3));
}

std::string requestHead(const std::string& method, const std::string& path, const std::string& token,
                        const std::string& extraHeaders) {
    std::string head = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!token.empty())
        head += "Authorization: Bearer " + token + "\r\n";
    return head + extraHeaders + "\r\n";
}
