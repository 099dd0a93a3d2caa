#include "SyncRunScheduler.h"

#include <QTimer>

#include <algorithm>

SyncRunScheduler::SyncRunScheduler(Run run, std::function<bool()> mayRun,
                                   std::function<void(const SyncStatus&)> publish, QObject* parent)
    : QObject(parent), run_(std::move(run)), mayRun_(std::move(mayRun)), publish_(std::move(publish)),
      loop_(new QTimer(this)), debounce_(new QTimer(this)) {
    loop_->setSingleShot(true);
    debounce_->setSingleShot(true);
    connect(loop_, &QTimer::timeout, this, &SyncRunScheduler::loopTick);
    connect(debounce_, &QTimer::timeout, this, [this] { request(); });
}

void SyncRunScheduler::start() {
    looping_ = true;
    loop_->start(0);
}

void SyncRunScheduler::stop() {
    looping_ = false;
    loop_->stop();
    debounce_->stop();
}

void SyncRunScheduler::loopTick() {
    request();
    if (looping_)
        loop_->start(loopIntervalMs);
}

void SyncRunScheduler::noteLocalChange() {
    if (mayRun_())
        debounce_->start(debounceMs);
}

// A run waits on the network with the thread's event loop running, so a
// request may arrive in the middle of one: it only asks for one more.
void SyncRunScheduler::request(quint64 ticket) {
    asked_ = std::max(asked_, ticket);
    if (running_) {
        another_ = true;
        return;
    }
    if (mayRun_()) {
        running_ = true;
        publish_(SyncStatus::syncing());
        std::optional<SyncStatus> outcome;
        do {
            another_ = false;
            outcome = run_();
        } while (another_ && mayRun_());
        running_ = false;
        if (outcome)
            publish_(*outcome);
    }
    emit settled(asked_);
}
