#include "ChangeFeed.h"

#include <algorithm>

std::optional<std::vector<ChangeFeed::Event>> ChangeFeed::Subscription::next(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    wake_.wait_for(guard, timeout, [&] { return closed_ || !queued_.empty(); });
    if (closed_)
        return std::nullopt;
    return std::exchange(queued_, {});
}

void ChangeFeed::Subscription::deliver(const Event& event) {
    if (!workspaces_.contains(event.workspaceId))
        return;
    {
        std::lock_guard guard(lock_);
        // A reader that fell far behind needs one nudge, not a backlog.
        if (queued_.size() < 64)
            queued_.push_back(event);
    }
    wake_.notify_all();
}

void ChangeFeed::Subscription::close() {
    {
        std::lock_guard guard(lock_);
        closed_ = true;
    }
    wake_.notify_all();
}

std::shared_ptr<ChangeFeed::Subscription> ChangeFeed::subscribe(const QStringList& workspaceIds) {
    auto subscription = std::make_shared<Subscription>(QSet<QString>(workspaceIds.begin(), workspaceIds.end()));
    std::lock_guard guard(lock_);
    if (closed_)
        subscription->close();
    else
        subscriptions_.push_back(subscription);
    return subscription;
}

void ChangeFeed::unsubscribe(const std::shared_ptr<Subscription>& subscription) {
    std::lock_guard guard(lock_);
    std::erase(subscriptions_, subscription);
}

void ChangeFeed::publish(const QString& workspaceId, std::int64_t cursor) {
    const Event event{workspaceId, cursor};
    deliverHere(event);
    std::function<void(const Event&)> relay;
    {
        std::lock_guard guard(lock_);
        relay = relay_;
    }
    if (relay)
        relay(event);
}

void ChangeFeed::deliverHere(const Event& event) {
    std::lock_guard guard(lock_);
    for (const auto& s : subscriptions_)
        s->deliver(event);
    if (onPublish_)
        onPublish_();
}

void ChangeFeed::setRelay(std::function<void(const Event&)> relay) {
    std::lock_guard guard(lock_);
    relay_ = std::move(relay);
}

void ChangeFeed::setOnPublish(std::function<void()> onPublish) {
    std::lock_guard guard(lock_);
    onPublish_ = std::move(onPublish);
}

void ChangeFeed::close() {
    std::lock_guard guard(lock_);
    closed_ = true;
    for (const auto& s : subscriptions_)
        s->close();
    subscriptions_.clear();
}
