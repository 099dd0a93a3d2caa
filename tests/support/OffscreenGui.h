#pragma once

#include <QApplication>
#include <QGuiApplication>

// Drawing text needs a GUI application (fonts come from it); tests that
// render labels without an X server get one on Qt's offscreen platform.
inline void ensureGuiApplication() {
    if (QGuiApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zorvi-tests";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends, like the application it stands for.
    new QGuiApplication(argc, argv);
}

// The same for tests that show widgets without a display.
inline void ensureWidgetApplication() {
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zorvi-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
