#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

QString SingleInstance::socketName() {
    // Per user, and per library so a test instance never talks to the real one.
    const QByteArray home = qgetenv("ZORVI_HOME");
    return QStringLiteral("zorvi-%1-%2").arg(getuid()).arg(qHash(home), 0, 16);
}

QString SingleInstance::socketPath() {
    return QDir::tempPath() + QLatin1Char('/') + socketName();
}

bool SingleInstance::forwardToRunningInstance(const QStringList& arguments) {
    // A plain socket: QLocalSocket would want an event loop and an application object.
    const QByteArray path = QFile::encodeName(socketPath());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Refused or absent: no instance answers (a socket left by a crash is reclaimed by listen()).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << arguments;
    qsizetype written = 0;
    while (written < payload.size()) {
        const ssize_t n = ::send(fd, payload.constData() + written, size_t(payload.size() - written), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    ::close(fd);
    return written == payload.size();
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
