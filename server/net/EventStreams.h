#pragma once

#include "Connection.h"
#include "changes/ChangeFeed.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Every open live-event stream, written from one thread with epoll: a stream
// costs a socket and a few bytes, never a worker. Each change and each
// keep-alive first asks whether the stream's token and memberships still
// allow it, so a revoked token hears nothing more.
class EventStreams {
public:
    struct Limits {
        int perToken = 4;
        int perUser = 16;
        std::chrono::seconds keepAlive{15};
        // A reader this far behind is cut off rather than buffered for.
        std::size_t maxBacklogBytes = 256 * 1024;
    };
    struct Subscriber {
        QString tokenHash;
        QString userId;
        QStringList workspaces;
        std::optional<QString> onlyWorkspace; // the one asked for, if any
        std::shared_ptr<ChangeFeed::Subscription> subscription;
    };
    using Check = std::function<bool(const Subscriber&)>;

    EventStreams(Limits limits, ChangeFeed& feed, Check stillAllowed);
    ~EventStreams();

    // Holds a place for one more stream of this token and user; false (and
    // nothing held) when either has its limit open already.
    bool reserve(const QString& tokenHash, const QString& userId);
    // Gives back a place reserve() held for a stream that never opened.
    void release(const QString& tokenHash, const QString& userId);
    // Takes a connection over as a stream in a place reserve() held; any thread.
    void add(std::unique_ptr<Connection> connection, Subscriber subscriber);

    void run();
    void stop();

private:
    struct Stream {
        std::unique_ptr<Connection> connection;
        Subscriber subscriber;
        std::string backlog;
    };

    bool allowed(const Subscriber& subscriber, std::map<QString, bool>& answered);
    void wake();
    void takeNew();
    void deliverChanges();
    void keepAlive();
    void send(int fd, const std::string& text);
    void flush(int fd);
    void readAndDiscard(int fd);
    void end(int fd);

    Limits limits_;
    ChangeFeed& feed_;
    Check stillAllowed_;
    int epoll_ = -1;
    int wakeup_ = -1;
    bool stopping_ = false;
    std::map<int, Stream> streams_;

    std::mutex lock_; // guards the fields below
    std::vector<Stream> arriving_;
    std::map<QString, int> perToken_;
    std::map<QString, int> perUser_;
    bool stopRequested_ = false;
};
