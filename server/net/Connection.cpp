#include "Connection.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

Connection::Connection(int fd, SSL* tls, Endpoint peer, Endpoint local, std::function<void()> onClose)
    : fd_(fd), tls_(tls), peer_(std::move(peer)), local_(std::move(local)), onClose_(std::move(onClose)) {}

Connection::~Connection() {
    if (tls_) {
        SSL_shutdown(tls_);
        SSL_free(tls_);
    }
    ::close(fd_);
    if (onClose_)
        onClose_();
}

ssize_t Connection::tlsResult(int result, Wait& wait) {
    if (result > 0)
        return result;
    switch (SSL_get_error(tls_, result)) {
    case SSL_ERROR_WANT_READ: wait = Wait::readable; return -1;
    case SSL_ERROR_WANT_WRITE: wait = Wait::writable; return -1;
    case SSL_ERROR_ZERO_RETURN: return 0;
    default: return -2;
    }
}

bool Connection::handshake(Wait& wait, bool& failed) {
    failed = false;
    if (!tls_ || SSL_is_init_finished(tls_))
        return true;
    const ssize_t r = tlsResult(SSL_accept(tls_), wait);
    if (r > 0)
        return true;
    failed = r != -1;
    return false;
}

ssize_t Connection::readSome(char* into, std::size_t size, Wait& wait) {
    // The parser reads a head a byte at a time: move along, don't erase.
    if (aheadUsed_ < ahead_.size()) {
        const std::size_t n = ahead_.copy(into, size, aheadUsed_);
        aheadUsed_ += n;
        return ssize_t(n);
    }
    return receive(into, size, wait);
}

ssize_t Connection::receive(char* into, std::size_t size, Wait& wait) {
    if (tls_)
        return tlsResult(SSL_read(tls_, into, int(std::min<std::size_t>(size, 1 << 30))), wait);
    const ssize_t n = ::recv(fd_, into, size, 0);
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        wait = Wait::readable;
        return -1;
    }
    return -2;
}

ssize_t Connection::writeSome(const char* from, std::size_t size, Wait& wait) {
    if (tls_)
        return tlsResult(SSL_write(tls_, from, int(std::min<std::size_t>(size, 1 << 30))), wait);
    const ssize_t n = ::send(fd_, from, size, MSG_NOSIGNAL);
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        wait = Wait::writable;
        return -1;
    }
    return -2;
}

std::string& Connection::readAheadBuffer() {
    ahead_.erase(0, std::exchange(aheadUsed_, 0));
    return ahead_;
}

bool Connection::readAhead(std::size_t limit) {
    readAheadBuffer();
    char chunk[4096];
    while (ahead_.size() < limit) {
        Wait wait = Wait::none;
        const ssize_t n = receive(chunk, std::min(sizeof chunk, limit - ahead_.size()), wait);
        if (n == -1)
            return true;
        if (n <= 0)
            return false;
        ahead_.append(chunk, std::size_t(n));
    }
    return true;
}

bool Connection::hasBufferedInput() const {
    return aheadUsed_ < ahead_.size() || (tls_ && SSL_pending(tls_) > 0);
}

bool Connection::waitFor(Wait wait, std::chrono::steady_clock::time_point deadline) const {
    if (wait == Wait::none)
        return true;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd_, short(wait == Wait::readable ? POLLIN : POLLOUT), 0};
        const int r = ::poll(&p, 1, int(std::min<long long>(left.count(), 60000)));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}
