#pragma once

#include "sync/TokenStore.h"

#include <memory>
#include <mutex>

// A token kept in memory, shared with the test that made it, for engines whose
// test is not about the keyring.
class MemoryTokenStore : public TokenStore {
public:
    struct Slot {
        std::mutex lock;
        std::optional<QString> token;
        std::optional<QString> get() {
            std::lock_guard g(lock);
            return token;
        }
    };

    explicit MemoryTokenStore(std::shared_ptr<Slot> slot) : slot_(std::move(slot)) {}

    std::optional<QString> read() override { return slot_->get(); }
    void write(const QString& token) override {
        std::lock_guard g(slot_->lock);
        slot_->token = token;
    }
    void remove() override {
        std::lock_guard g(slot_->lock);
        slot_->token.reset();
    }

private:
    std::shared_ptr<Slot> slot_;
};
