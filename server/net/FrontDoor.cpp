#include "FrontDoor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

Connection::Endpoint endpointOf(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return {text, ntohs(v6.sin6_port)};
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return {text, ntohs(v4.sin_port)};
}

// Refusals written before any request was read: one short write, best effort.
void refuseOnTheSpot(int fd, const char* status, const char* message) {
    const std::string body = std::string(R"({"error":{"code":"too_many_connections","message":")") + message + "\"}}";
    const std::string reply = std::string("HTTP/1.1 ") + status +
                              "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
    [[maybe_unused]] const ssize_t n = ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

} // namespace

FrontDoor::FrontDoor(Limits limits, SSL_CTX* tls, RequestHandler onRequest)
    : limits_(limits), tls_(tls), onRequest_(std::move(onRequest)) {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wakeup_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wakeup_ < 0)
        throw std::runtime_error("cannot create the connection loop");
    epoll_event e{EPOLLIN, {.fd = wakeup_}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeup_, &e);
}

FrontDoor::~FrontDoor() {
    waiting_.clear();
    returned_.clear();
    ending_.clear();
    if (listener_ >= 0)
        ::close(listener_);
    ::close(wakeup_);
    ::close(epoll_);
}

int FrontDoor::bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return -1;
    for (addrinfo* a = found; a && listener_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (fd >= 0 && ::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0)
            listener_ = fd;
        else if (fd >= 0)
            ::close(fd);
    }
    freeaddrinfo(found);
    if (listener_ < 0)
        return -1;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
    epoll_event e{EPOLLIN, {.fd = listener_}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, listener_, &e);
    return endpointOf(bound).port;
}

void FrontDoor::run() {
    epoll_event events[64];
    auto nextSweep = std::chrono::steady_clock::now();
    while (!stopping_) {
        const int n = epoll_wait(epoll_, events, 64, 250);
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == listener_)
                acceptAll();
            else if (fd == wakeup_)
                takeReturned();
            else
                progress(fd);
        }
        if (std::chrono::steady_clock::now() >= nextSweep) {
            dropExpired();
            nextSweep = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
        }
    }
    waiting_.clear();
}

void FrontDoor::stop() {
    {
        std::lock_guard guard(lock_);
        stopRequested_ = true;
    }
    wake();
}

void FrontDoor::giveBack(std::unique_ptr<Connection> connection) {
    {
        std::lock_guard guard(lock_);
        returned_.push_back(std::move(connection));
    }
    wake();
}

void FrontDoor::linger(std::unique_ptr<Connection> connection) {
    ::shutdown(connection->fd(), SHUT_WR);
    {
        std::lock_guard guard(lock_);
        ending_.push_back(std::move(connection));
    }
    wake();
}

void FrontDoor::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeup_, &one, sizeof one);
}

void FrontDoor::takeReturned() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeup_, &count, sizeof count);
    std::vector<std::unique_ptr<Connection>> back, ending;
    {
        std::lock_guard guard(lock_);
        back.swap(returned_);
        ending.swap(ending_);
        stopping_ = stopRequested_;
    }
    for (auto& c : back)
        watch(std::move(c));
    for (auto& c : ending)
        watch(std::move(c), true);
}

void FrontDoor::acceptAll() {
    for (;;) {
        sockaddr_storage peer{}, local{};
        socklen_t peerLength = sizeof peer, localLength = sizeof local;
        const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength);
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        Connection::Endpoint from = endpointOf(peer);
        {
            std::lock_guard guard(lock_);
            int& held = perAddress_[from.address];
            if (held >= limits_.connectionsPerAddress) {
                if (!tls_)
                    refuseOnTheSpot(fd, "503 Service Unavailable",
                                    "Too many connections from your address; close some and try again.");
                ::close(fd);
                continue;
            }
            ++held;
        }
        SSL* session = nullptr;
        if (tls_) {
            session = SSL_new(tls_);
            SSL_set_fd(session, fd);
        }
        const std::string address = from.address;
        watch(std::make_unique<Connection>(fd, session, std::move(from), endpointOf(local), [this, address] {
            std::lock_guard guard(lock_);
            if (--perAddress_[address] <= 0)
                perAddress_.erase(address);
        }));
    }
}

void FrontDoor::watch(std::unique_ptr<Connection> connection, bool lingering) {
    if (stopping_)
        return;
    const int fd = connection->fd();
    epoll_event e{EPOLLIN | EPOLLRDHUP, {.fd = fd}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e);
    const auto wait = lingering ? std::chrono::seconds(2) : limits_.headTimeout;
    waiting_[fd] = {std::move(connection), std::chrono::steady_clock::now() + wait, lingering};
    // A kept-alive client may have sent its next request already.
    progress(fd);
}

void FrontDoor::progress(int fd) {
    const auto it = waiting_.find(fd);
    if (it == waiting_.end())
        return;
    if (it->second.lingering)
        return discardInput(fd);
    Connection& c = *it->second.connection;
    Connection::Wait wait = Connection::Wait::readable;
    bool failed = false;
    if (!c.handshake(wait, failed)) {
        if (failed)
            return drop(fd);
        epoll_event e{std::uint32_t(wait == Connection::Wait::writable ? EPOLLOUT : EPOLLIN), {.fd = fd}};
        epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &e);
        return;
    }
    epoll_event e{EPOLLIN | EPOLLRDHUP, {.fd = fd}};
    epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &e);
    std::string& buffer = c.readAheadBuffer();
    // Blank lines between kept-alive requests are allowed and mean nothing.
    const bool open = c.readAhead(limits_.maxHeadBytes);
    while (buffer.starts_with("\r\n"))
        buffer.erase(0, 2);
    if (auto head = RequestHead::parse(buffer)) {
        epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
        std::unique_ptr<Connection> ready = std::move(it->second.connection);
        waiting_.erase(it);
        onRequest_(std::move(ready), std::move(*head));
        return;
    }
    if (!open || buffer.size() >= limits_.maxHeadBytes)
        drop(fd);
}

void FrontDoor::discardInput(int fd) {
    Connection& c = *waiting_.at(fd).connection;
    char sink[16 * 1024];
    for (int reads = 0; reads < 64; ++reads) {
        Connection::Wait wait = Connection::Wait::none;
        const ssize_t n = c.readSome(sink, sizeof sink, wait);
        if (n == -1)
            return;
        if (n <= 0)
            return drop(fd);
    }
}

void FrontDoor::drop(int fd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    waiting_.erase(fd);
}

void FrontDoor::dropExpired() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> late;
    for (const auto& [fd, w] : waiting_)
        if (w.deadline <= now)
            late.push_back(fd);
    for (int fd : late)
        drop(fd);
}
