#pragma once

#include "support/DesktopDriver.h"
#include "support/TempDir.h"

#include "shell/AppShell.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QSettings>

#include <memory>

// The whole app in this process, on a private library, configuration and
// home folder; driven with real input on the suite's Xvfb.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("HOME", home.path().toUtf8());
        qputenv("ZORVI_HOME", (home.path() + "/library").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        app = std::make_unique<QApplication>(argc, argv);
        AppShell::configureApplication();
    }

    void TearDown() override {
        shell.reset();
        app.reset();
    }

    // As if the guide had been finished in an earlier session.
    void completeOnboardingBefore() {
        QSettings settings(home.path() + "/config/Zorvi/Zorvi.conf", QSettings::IniFormat);
        settings.setValue("onboarding.completed", true);
    }

    bool launch() {
        shell = std::make_unique<AppShell>();
        return shell->launch();
    }

    // The top-level window with this object name, once it is on screen.
    template <class Window = QWidget>
    Window* windowNamed(const QString& objectName) {
        Window* found = nullptr;
        processEventsUntil([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == objectName && w->isVisible())
                    found = qobject_cast<Window*>(w);
            return found != nullptr;
        });
        return found;
    }

    // A real click in the middle of the widget (on a check box's box).
    static void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        widget->window()->raise();
        widget->window()->activateWindow();
        ASSERT_TRUE(processEventsUntil([&] { return widget->isVisible() && widget->window()->isActiveWindow(); }));
        const QPoint at = qobject_cast<QCheckBox*>(widget) ? QPoint(8, widget->height() / 2) : widget->rect().center();
        DesktopDriver::click(widget->mapToGlobal(at));
    }

    TempDir home;
    int argc = 0;
    char** argv = nullptr;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<AppShell> shell;
};
