#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

// A real TCP proxy in front of the service that fails on purpose: some
// requests are cut before they reach the service, some after the service has
// acted on them but before the reply gets back (the lost reply), and some are
// held up for a while. Decisions come from a seeded generator.
class FlakyProxy {
public:
    FlakyProxy(int targetPort, std::uint32_t seed) : targetPort_(targetPort), random_(seed) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 64) != 0)
            throw std::runtime_error("proxy cannot listen");
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~FlakyProxy() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        acceptor_.join();
        std::lock_guard g(lock_);
        for (std::thread& t : connections_)
            t.join();
        ::close(listener_);
    }

    int port() const { return port_; }
    // Chance, per request, of being cut (before or after the service acts).
    void setFailureRate(double rate) { failureRate_ = rate; }
    int failures() const { return failures_; }
    // Live-event streams the service has taken on: their greeting has passed
    // through, so every change from now on reaches them.
    int eventStreamsOpened() const { return eventStreams_; }

private:
    enum class Fate { pass, cutBefore, cutAfter, delay };

    Fate decide(int& delayMs) {
        std::lock_guard g(lock_);
        std::uniform_real_distribution<double> unit(0, 1);
        const double roll = unit(random_);
        delayMs = std::uniform_int_distribution<int>(20, 250)(random_);
        if (roll < failureRate_ / 2)
            return Fate::cutBefore;
        if (roll < failureRate_)
            return Fate::cutAfter;
        if (roll < failureRate_ + 0.1)
            return Fate::delay;
        return Fate::pass;
    }

    void acceptLoop() {
        while (!stopping_) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                break;
            std::lock_guard g(lock_);
            connections_.emplace_back([this, client] { relay(client); });
        }
    }

    // Decides each request's fate at its first byte, so a kept-alive
    // connection fails as often as a fresh one.
    void relay(int client) {
        const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(std::uint16_t(targetPort_));
        if (::connect(upstream, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(upstream);
            ::close(client);
            return;
        }
        std::string head;        // the request head being read
        std::size_t bodyLeft = 0; // bytes of the current request's body still to pass
        bool loseReply = false;   // the current request's reply is to be cut
        // Passes client bytes on, request by request; false when the connection is to be cut.
        auto forwardRequests = [&](const char* data, std::size_t n) {
            while (n > 0) {
                if (bodyLeft > 0) {
                    const std::size_t part = std::min(n, bodyLeft);
                    ::send(upstream, data, part, MSG_NOSIGNAL);
                    bodyLeft -= part;
                    data += part;
                    n -= part;
                    continue;
                }
                const std::size_t before = head.size();
                head.append(data, n);
                const std::size_t end = head.find("\r\n\r\n");
                if (end == std::string::npos)
                    return true;
                const std::size_t used = end + 4 - before;
                data += used;
                n -= used;
                head.resize(end + 4);
                int delayMs = 0;
                const Fate fate = decide(delayMs);
                if (fate == Fate::cutBefore) {
                    ++failures_;
                    return false;
                }
                if (fate == Fate::delay)
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                loseReply = fate == Fate::cutAfter;
                ::send(upstream, head.data(), head.size(), MSG_NOSIGNAL);
                bodyLeft = contentLength(head);
                head.clear();
            }
            return true;
        };
        std::string replyTail; // the end of the last reply bytes, for a greeting split between reads
        char buffer[65536];
        pollfd fds[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        for (bool open = true; open && !stopping_;) {
            if (::poll(fds, 2, 200) < 0)
                break;
            for (int i = 0; i < 2 && open; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    open = false;
                } else if (i == 0) {
                    open = forwardRequests(buffer, std::size_t(n));
                } else if (loseReply) {
                    ++failures_; // the service has answered: the reply is lost
                    open = false;
                } else {
                    ::send(client, buffer, size_t(n), MSG_NOSIGNAL);
                    countGreetings(replyTail, buffer, std::size_t(n));
                }
            }
        }
        ::close(upstream);
        ::close(client);
    }

    void countGreetings(std::string& tail, const char* data, std::size_t n) {
        static const std::string greeting = ": zorvi events";
        tail.append(data, n);
        for (std::size_t at = tail.find(greeting); at != std::string::npos; at = tail.find(greeting, at + 1))
            ++eventStreams_;
        tail.erase(0, tail.size() - std::min(tail.size(), greeting.size() - 1));
    }

    static std::size_t contentLength(const std::string& head) {
        std::string lower(head);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        const std::size_t at = lower.find("\r\ncontent-length:");
        return at == std::string::npos ? 0 : std::size_t(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
    }

    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::atomic<double> failureRate_ = 0;
    std::atomic<int> failures_ = 0;
    std::atomic<int> eventStreams_ = 0;
    std::mutex lock_;
    std::mt19937 random_;
    std::thread acceptor_;
    std::list<std::thread> connections_;
};
