#pragma once

#include <atomic>
#include <memory>

// Asks long work on another thread (a sign-in poll) to stop at its next check.
class CancelFlag {
public:
    CancelFlag() : flag_(std::make_shared<std::atomic<bool>>(false)) {}
    void cancel() const { flag_->store(true); }
    bool isCancelled() const { return flag_->load(); }

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};

// Thrown out of work that noticed its CancelFlag.
struct Cancelled {};
