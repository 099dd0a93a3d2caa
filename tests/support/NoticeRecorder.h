#pragma once

#include "support/DesktopDriver.h"
#include "support/QtEventLoop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStringList>

// dunst, a real notification server, on the test's own bus and display; each
// notice it shows is written to a log as "app|summary|body" on one line.
class NoticeRecorder {
public:
    // Starts dunst with its files in `folder`; false when it did not take the bus name.
    bool start(const QString& folder) {
        log_ = folder + "/notices.log";
        QFile config(folder + "/dunstrc");
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("[global]\nmouse_left_click = do_action, close_current\nshow_indicators = no\n"
                     "[record]\nsummary = \"*\"\nscript = " ZORVI_SOURCE_DIR "/tests/support/record-notice.sh\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_NOTICE_LOG", log_);
        dunst_.setProcessEnvironment(env);
        dunst_.start("dunst", {"-config", folder + "/dunstrc"});
        return dunst_.waitForStarted() && processEventsUntil([] {
                   return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                       "org.freedesktop.Notifications").value();
               });
    }

    ~NoticeRecorder() {
        dunst_.terminate();
        dunst_.waitForFinished();
    }

    QStringList notices() const {
        QFile file(log_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }

    bool arrives(const QString& text, int timeoutMs = 10000) {
        return processEventsUntil([&] { return notices().join('\n').contains(text); }, timeoutMs);
    }

    // Clicks the notice on screen, as a person would; false when none is shown.
    // dunst's window is there, unmapped, from its start, and its script runs
    // before the notice is drawn: the click waits until the window is on screen.
    static bool clickShown() {
        const QString window =
            DesktopDriver::xdotool({"search", "--sync", "--onlyvisible", "--class", "Dunst"}).section('\n', 0, 0);
        if (window.isEmpty())
            return false;
        const QString geometry = DesktopDriver::xdotool({"getwindowgeometry", "--shell", window});
        const auto value = [&](const char* key) {
            return geometry.section(QString(key) + "=", 1).section('\n', 0, 0).toInt();
        };
        DesktopDriver::click({value("X") + value("WIDTH") / 2, value("Y") + value("HEIGHT") / 2});
        return true;
    }

private:
    QString log_;
    QProcess dunst_;
};
