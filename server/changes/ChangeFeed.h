#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Fans "this workspace changed" out to every live event stream that may read
// that workspace. Publishing never blocks on a slow reader.
class ChangeFeed {
public:
    struct Event {
        QString workspaceId;
        std::int64_t cursor;
    };

    class Subscription {
    public:
        explicit Subscription(QSet<QString> workspaces) : workspaces_(std::move(workspaces)) {}
        // The events since the last call, waiting up to `timeout` for one;
        // none once the feed is closed.
        std::optional<std::vector<Event>> next(std::chrono::milliseconds timeout);

    private:
        friend class ChangeFeed;
        void deliver(const Event& event);
        void close();

        const QSet<QString> workspaces_;
        std::mutex lock_;
        std::condition_variable wake_;
        std::vector<Event> queued_;
        bool closed_ = false;
    };

    std::shared_ptr<Subscription> subscribe(const QStringList& workspaceIds);
    void unsubscribe(const std::shared_ptr<Subscription>& subscription);
    void publish(const QString& workspaceId, std::int64_t cursor);
    // Ends every stream (at shutdown).
    void close();
    // Called after every publish, so a loop serving many streams can wake.
    void setOnPublish(std::function<void()> onPublish);
    // Also hands every publish to `relay`, so instances sharing a database hear of it.
    void setRelay(std::function<void(const Event&)> relay);
    // Delivers to this instance's streams only: an event another instance published.
    void deliverHere(const Event& event);

private:
    std::mutex lock_;
    std::vector<std::shared_ptr<Subscription>> subscriptions_;
    bool closed_ = false;
    std::function<void()> onPublish_;
    std::function<void(const Event&)> relay_;
};
