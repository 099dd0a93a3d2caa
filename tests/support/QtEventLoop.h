#pragma once

#include <QCoreApplication>

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
