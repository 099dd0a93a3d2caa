#include "SingleInstance.h"

#include <QDataStream>
#include <QLocalSocket>

#include <unistd.h>

namespace {
constexpr int timeoutMs = 1500;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

QString SingleInstance::socketName() {
    // Per user, and per library so a test instance never talks to the real one.
    const QByteArray home = qgetenv("ZORVI_HOME");
    return QStringLiteral("zorvi-%1-%2").arg(getuid()).arg(qHash(home), 0, 16);
}

bool SingleInstance::forwardToRunningInstance(const QStringList& arguments) {
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << arguments;
    socket.write(payload);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    if (server_.listen(socketName()))
        return true;
    // A socket left by a crashed instance: nobody answered above, so reclaim it.
    QLocalServer::removeServer(socketName());
    return server_.listen(socketName());
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList arguments;
            in >> arguments;
            if (!in.commitTransaction())
                return; // wait for the rest
            emit commandReceived(arguments);
        });
    }
}
