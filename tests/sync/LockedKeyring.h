#pragma once

#include "MemoryTokenStore.h"

#include <chrono>
#include <condition_variable>

// A keyring that is locked at launch: reading the token waits until the
// person types their password (unlock()), or gives up after a while as a
// dismissed prompt does. Writes and removals go straight to the slot.
class LockedKeyring : public TokenStore {
public:
    struct Lock {
        std::mutex lock;
        std::condition_variable changed;
        bool unlocked = false;
        bool answered = false;

        void unlock() {
            std::lock_guard g(lock);
            unlocked = true;
            changed.notify_all();
        }
        bool hasAnswered() {
            std::lock_guard g(lock);
            return answered;
        }
    };

    LockedKeyring(std::shared_ptr<Lock> lock, std::shared_ptr<MemoryTokenStore::Slot> slot)
        : lock_(std::move(lock)), tokens_(std::move(slot)) {}

    std::optional<QString> read() override {
        std::unique_lock g(lock_->lock);
        const bool unlocked = lock_->changed.wait_for(g, std::chrono::seconds(15), [&] { return lock_->unlocked; });
        lock_->answered = true;
        return unlocked ? tokens_.read() : std::nullopt;
    }
    void write(const QString& token) override { tokens_.write(token); }
    void remove() override { tokens_.remove(); }

private:
    std::shared_ptr<Lock> lock_;
    MemoryTokenStore tokens_;
};
