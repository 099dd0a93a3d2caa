#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// One application object per test process, for code that posts to the
// event loop or needs an application; tests deliver posted work explicitly.
inline void ensureQtApplication() {
    static int argc = 1;
    static char name[] = "zorvi-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

inline void deliverPostedEvents() {
    QCoreApplication::sendPostedEvents();
}

// Runs the event loop until `done` holds or the time is up; returns `done`'s
// last answer. For work delivered asynchronously, such as D-Bus signals.
// `done` is asked once a pass and never again after it holds: a check that
// acts (moves the pointer, takes a screenshot) may answer differently the
// next time.
template <class Predicate>
bool processEventsUntil(Predicate done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (done())
            return true;
        if (clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}
