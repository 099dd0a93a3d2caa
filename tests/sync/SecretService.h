#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <QString>
#include <QStringList>

#include <stdexcept>

// A real Secret Service for the test's private session bus: gnome-keyring-daemon
// with an unlocked login keyring. Its files land under $HOME, so set HOME to a
// private folder first. The daemon leaves with the bus.
inline void startSecretService() {
    QProcess daemon;
    daemon.start("gnome-keyring-daemon", {"--unlock", "--components=secrets"});
    if (!daemon.waitForStarted(10'000))
        throw std::runtime_error("gnome-keyring-daemon did not start");
    daemon.write("pw");
    daemon.closeWriteChannel();
    if (!daemon.waitForFinished(20'000) || daemon.exitCode() != 0)
        throw std::runtime_error("gnome-keyring-daemon failed: " + daemon.readAllStandardError().toStdString());
    for (const QString& line : QString::fromUtf8(daemon.readAllStandardOutput()).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            qputenv(line.left(eq).toUtf8(), line.mid(eq + 1).toUtf8());
    }
    // The daemon answers before it owns its bus name.
    QDeadlineTimer deadline(10'000);
    while (!QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.secrets")) {
        if (deadline.hasExpired())
            throw std::runtime_error("the Secret Service never appeared on the bus");
        QThread::msleep(20);
    }
}

// What the keyring holds for an attribute set, read with secret-tool.
inline QString secretToolLookup(const QStringList& attributes) {
    QProcess tool;
    tool.start("secret-tool", QStringList{"lookup"} + attributes);
    tool.waitForFinished(10'000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}
