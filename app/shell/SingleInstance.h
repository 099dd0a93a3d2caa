#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

// Keeps one Zorvi per user session. A later invocation hands its command
// line to the running instance over a local socket and exits, which is how
// desktop-defined shortcuts ("zorvi --capture-region") reach the app. The
// `zorvi` command does the same without Qt (launcher/InstanceChannel.h holds
// the socket's place and the message both read).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);

    // True when another instance took the arguments; this process should exit.
    // Needs no QCoreApplication and loads no window system.
    static bool forwardToRunningInstance(const QStringList& arguments);
    // Starts listening; false when the socket cannot be claimed.
    bool listen();

    // Where the instance's socket lives.
    static QString socketPath();

signals:
    void commandReceived(const QStringList& arguments);

private:
    void acceptConnection();

    QLocalServer server_;
};
