#include "UndoHistory.h"

#include <QDateTime>

#include <utility>

UndoHistory::UndoHistory(int lifetimeMs, QObject* parent) : QObject(parent), lifetimeMs_(lifetimeMs) {
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &UndoHistory::expire);
}

UndoHistory::~UndoHistory() {
    for (Step& step : steps_)
        finish(step);
}

void UndoHistory::push(const QString& title, const QString& notice, std::function<bool()> undo,
                       std::function<void()> finish) {
    if (undoing_) {
        if (finish)
            finish();
        return;
    }
    steps_.push_back(
        Step{title, notice, std::move(undo), std::move(finish), QDateTime::currentMSecsSinceEpoch() + lifetimeMs_});
    while (steps_.size() > maximumSteps) {
        UndoHistory::finish(steps_.front());
        steps_.pop_front();
    }
    scheduleExpiry();
    emit changed();
    emit pushed();
}

QString UndoHistory::nextTitle() const {
    return steps_.empty() ? QString() : steps_.back().title;
}

QString UndoHistory::nextNotice() const {
    return steps_.empty() ? QString() : steps_.back().notice;
}

bool UndoHistory::undo() {
    if (steps_.empty())
        return false;
    Step step = std::move(steps_.back());
    steps_.pop_back();
    undoing_ = true;
    const bool done = step.undo && step.undo();
    undoing_ = false;
    if (!done)
        finish(step);
    scheduleExpiry();
    emit changed();
    if (done)
        emit undone(step.title);
    return done;
}

void UndoHistory::finishAll() {
    if (steps_.empty())
        return;
    for (Step& step : std::exchange(steps_, {}))
        finish(step);
    expiry_.stop();
    emit changed();
}

void UndoHistory::expire() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool any = false;
    while (!steps_.empty() && steps_.front().expiresAt <= now) {
        finish(steps_.front());
        steps_.pop_front();
        any = true;
    }
    scheduleExpiry();
    if (any)
        emit changed();
}

void UndoHistory::scheduleExpiry() {
    if (steps_.empty()) {
        expiry_.stop();
        return;
    }
    expiry_.start(int(std::max<qint64>(0, steps_.front().expiresAt - QDateTime::currentMSecsSinceEpoch())));
}

void UndoHistory::finish(Step& step) {
    if (auto finish = std::exchange(step.finish, nullptr))
        finish();
}
