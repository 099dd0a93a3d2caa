#include "EventStreams.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

const char* responseHead = "HTTP/1.1 200 OK\r\n"
                           "Content-Type: text/event-stream\r\n"
                           "Cache-Control: no-store\r\n"
                           "X-Accel-Buffering: no\r\n"
                           "Transfer-Encoding: chunked\r\n\r\n";

std::string chunk(const std::string& text) {
    char size[20];
    std::snprintf(size, sizeof size, "%zx\r\n", text.size());
    return size + text + "\r\n";
}

std::string changeEvent(const ChangeFeed::Event& e) {
    const QJsonObject data{{"workspace_id", e.workspaceId}, {"cursor", qint64(e.cursor)}};
    return "event: change\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact).toStdString() + "\n\n";
}

} // namespace

EventStreams::EventStreams(Limits limits, ChangeFeed& feed, Check stillAllowed)
    : limits_(limits), feed_(feed), stillAllowed_(std::move(stillAllowed)) {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wakeup_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wakeup_ < 0)
        throw std::runtime_error("cannot create the event stream loop");
    epoll_event e{EPOLLIN, {.fd = wakeup_}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeup_, &e);
    feed_.setOnPublish([this] { wake(); });
}

EventStreams::~EventStreams() {
    feed_.setOnPublish({});
    std::vector<int> open;
    for (const auto& [fd, s] : streams_)
        open.push_back(fd);
    for (int fd : open)
        end(fd);
    ::close(wakeup_);
    ::close(epoll_);
}

bool EventStreams::reserve(const QString& tokenHash, const QString& userId) {
    std::lock_guard guard(lock_);
    if (perToken_[tokenHash] >= limits_.perToken || perUser_[userId] >= limits_.perUser)
        return false;
    ++perToken_[tokenHash];
    ++perUser_[userId];
    return true;
}

void EventStreams::release(const QString& tokenHash, const QString& userId) {
    std::lock_guard guard(lock_);
    if (--perToken_[tokenHash] <= 0)
        perToken_.erase(tokenHash);
    if (--perUser_[userId] <= 0)
        perUser_.erase(userId);
}

void EventStreams::add(std::unique_ptr<Connection> connection, Subscriber subscriber) {
    {
        std::lock_guard guard(lock_);
        arriving_.push_back({std::move(connection), std::move(subscriber), {}});
    }
    wake();
}

void EventStreams::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeup_, &one, sizeof one);
}

void EventStreams::stop() {
    {
        std::lock_guard guard(lock_);
        stopRequested_ = true;
    }
    wake();
}

void EventStreams::run() {
    epoll_event events[64];
    auto nextKeepAlive = std::chrono::steady_clock::now() + limits_.keepAlive;
    while (!stopping_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextKeepAlive -
                                                                                std::chrono::steady_clock::now());
        const int n = epoll_wait(epoll_, events, 64, int(std::max<long long>(0, left.count())));
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wakeup_) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = ::read(wakeup_, &count, sizeof count);
                takeNew();
                deliverChanges();
                continue;
            }
            if (events[i].events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
                readAndDiscard(fd);
            if (events[i].events & EPOLLOUT)
                flush(fd);
        }
        if (std::chrono::steady_clock::now() >= nextKeepAlive) {
            keepAlive();
            nextKeepAlive = std::chrono::steady_clock::now() + limits_.keepAlive;
        }
    }
    std::vector<int> open;
    for (const auto& [fd, s] : streams_)
        open.push_back(fd);
    for (int fd : open)
        end(fd);
}

void EventStreams::takeNew() {
    std::vector<Stream> arrived;
    {
        std::lock_guard guard(lock_);
        arrived.swap(arriving_);
        stopping_ = stopRequested_;
    }
    for (Stream& s : arrived) {
        const int fd = s.connection->fd();
        epoll_event e{EPOLLIN | EPOLLRDHUP, {.fd = fd}};
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e);
        streams_.emplace(fd, std::move(s));
        send(fd, responseHead + chunk(": zorvi events\nretry: 15000\n\n"));
    }
}

bool EventStreams::allowed(const Subscriber& s, std::map<QString, bool>& answered) {
    // Streams of one sign-in share the answer within one pass.
    const QString key = s.tokenHash + '|' + s.onlyWorkspace.value_or(QString()) + '|' + s.workspaces.join(',');
    const auto it = answered.find(key);
    return it != answered.end() ? it->second : (answered[key] = stillAllowed_(s));
}

void EventStreams::deliverChanges() {
    std::vector<int> fds;
    for (const auto& [fd, s] : streams_)
        fds.push_back(fd);
    std::map<QString, bool> answered;
    for (int fd : fds) {
        Stream& s = streams_.at(fd);
        const auto events = s.subscriber.subscription->next(std::chrono::milliseconds(0));
        if (!events || events->empty())
            continue;
        if (!allowed(s.subscriber, answered)) {
            end(fd);
            continue;
        }
        std::string text;
        for (const ChangeFeed::Event& e : *events)
            text += changeEvent(e);
        send(fd, chunk(text));
    }
}

void EventStreams::keepAlive() {
    std::vector<int> fds;
    for (const auto& [fd, s] : streams_)
        fds.push_back(fd);
    std::map<QString, bool> answered;
    for (int fd : fds) {
        // A revoked token or a changed membership ends the stream; the client
        // reconnects with what it may read now.
        if (!allowed(streams_.at(fd).subscriber, answered))
            end(fd);
        else
            send(fd, chunk(": keep-alive\n\n"));
    }
}

void EventStreams::send(int fd, const std::string& text) {
    const auto it = streams_.find(fd);
    if (it == streams_.end())
        return;
    it->second.backlog += text;
    if (it->second.backlog.size() > limits_.maxBacklogBytes)
        return end(fd);
    flush(fd);
}

void EventStreams::flush(int fd) {
    const auto it = streams_.find(fd);
    if (it == streams_.end())
        return;
    Stream& s = it->second;
    while (!s.backlog.empty()) {
        Connection::Wait wait = Connection::Wait::none;
        const ssize_t n = s.connection->writeSome(s.backlog.data(), s.backlog.size(), wait);
        if (n == -1)
            break;
        if (n <= 0)
            return end(fd);
        s.backlog.erase(0, std::size_t(n));
    }
    epoll_event e{std::uint32_t(EPOLLIN | EPOLLRDHUP | (s.backlog.empty() ? 0u : std::uint32_t(EPOLLOUT))), {.fd = fd}};
    epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &e);
}

void EventStreams::readAndDiscard(int fd) {
    const auto it = streams_.find(fd);
    if (it == streams_.end())
        return;
    char sink[1024];
    for (;;) {
        Connection::Wait wait = Connection::Wait::none;
        const ssize_t n = it->second.connection->readSome(sink, sizeof sink, wait);
        if (n == -1)
            return;
        if (n <= 0)
            return end(fd);
    }
}

void EventStreams::end(int fd) {
    const auto it = streams_.find(fd);
    if (it == streams_.end())
        return;
    Stream& s = it->second;
    // The closing chunk tells the client the stream ended on purpose.
    Connection::Wait wait = Connection::Wait::none;
    if (s.backlog.empty())
        s.connection->writeSome("0\r\n\r\n", 5, wait);
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    feed_.unsubscribe(s.subscriber.subscription);
    release(s.subscriber.tokenHash, s.subscriber.userId);
    streams_.erase(it);
}
