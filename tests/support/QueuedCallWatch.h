#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <functional>
#include <utility>

// Watches the queued calls the main thread delivers to objects of one class,
// such as the answer a worker thread posts back. A test waits for that answer
// instead of a time, or acts the moment it arrives, before the receiver sees it.
template <class Receiver>
class QueuedCallWatch : public QObject {
public:
    QueuedCallWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~QueuedCallWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

    // Calls delivered so far, or being delivered.
    int delivered() const { return delivered_; }
    // Runs once, just before the next call reaches its receiver.
    void beforeNext(std::function<void()> action) { beforeNext_ = std::move(action); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MetaCall && qobject_cast<Receiver*>(watched)) {
            ++delivered_;
            if (std::function<void()> action = std::exchange(beforeNext_, {}))
                action();
        }
        return false;
    }

private:
    int delivered_ = 0;
    std::function<void()> beforeNext_;
};
