#pragma once

#include "SyncStatus.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <optional>

class QTimer;

// When sync runs: on a periodic loop, a short while after the last of a
// burst of local edits, and on request. Runs never overlap: a request during
// a run is served by exactly one more, and the status says "syncing" from the
// first run until the last of those queued behind it has ended, never idle in
// between. A caller that needs to know when its request has been served
// takes a ticket, and waits for `settled` to name that ticket or a later one.
// Lives on the engine's thread, like the engine.
class SyncRunScheduler : public QObject {
    Q_OBJECT
public:
    // `run` does one run and tells how it ended, or nothing when the person
    // signed out meanwhile; `mayRun` says whether runs can happen at all;
    // `publish` is told the status at the start and at the end of the runs.
    using Run = std::function<std::optional<SyncStatus>()>;
    SyncRunScheduler(Run run, std::function<bool()> mayRun, std::function<void(const SyncStatus&)> publish,
                     QObject* parent);

    // A change made elsewhere still arrives within half a minute while the event stream is down.
    static constexpr int loopIntervalMs = 30'000;
    // A burst of local edits (typing a note) goes out as one run.
    static constexpr int debounceMs = 2'000;

    // Safe from any thread: a number for a request about to be made.
    quint64 nextTicket() { return ++issued_; }

    // The periodic loop, with a run at once.
    void start();
    // Ends the loop and a pending debounce; a run under way finishes.
    void stop();
    // A local edit: a run follows debounceMs after the last of a burst.
    void noteLocalChange();
    // Runs now, or once more after the run under way; `ticket` is answered by `settled`.
    void request(quint64 ticket = 0);
    // Asked by a run: another must follow at once (it found more work).
    void runAgain() { another_ = true; }
    bool isRunning() const { return running_; }

signals:
    // Every request with a ticket up to `served` has been served (the status
    // now tells how the last run ended) or can't be (signed out).
    void settled(quint64 served);

private:
    void loopTick();

    Run run_;
    std::function<bool()> mayRun_;
    std::function<void(const SyncStatus&)> publish_;
    std::atomic<quint64> issued_ = 0;
    quint64 asked_ = 0; // the highest ticket a request has brought
    bool running_ = false;
    bool another_ = false;
    bool looping_ = false;
    QTimer* loop_;
    QTimer* debounce_;
};
