#pragma once

#include <QCoreApplication>

// Actions are posted to the event loop; tests deliver them explicitly.
inline void ensureQtApplication() {
    static int argc = 1;
    static char name[] = "test_shortcuts";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

inline void deliverPostedEvents() {
    QCoreApplication::sendPostedEvents();
}
