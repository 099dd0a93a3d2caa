#include "SingleInstance.h"

#include "launcher/InstanceChannel.h"

#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <memory>

namespace {

// Off unless QT_LOGGING_RULES asks: which commands reached this instance.
Q_LOGGING_CATEGORY(instanceLog, "zorvi.instance")

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

QString SingleInstance::socketPath() { return QFile::decodeName(QByteArray::fromStdString(InstanceChannel::socketPath())); }

bool SingleInstance::forwardToRunningInstance(const QStringList& arguments) {
    std::vector<std::string> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(argument.toStdString());
    return InstanceChannel::forwardToRunningInstance(bytes);
}

bool SingleInstance::listen() {
    const QString path = socketPath();
    if (server_.listen(path))
        return true;
    // A socket left by a crashed instance: nobody answered the command, so reclaim it.
    QLocalServer::removeServer(path);
    return server_.listen(path);
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        // The sender closes the connection after the last argument.
        auto message = std::make_shared<QByteArray>();
        const auto read = [socket, message] { message->append(socket->readAll()); };
        const auto finish = [this, socket, message, read] {
            read();
            socket->deleteLater();
            const auto arguments = InstanceChannel::decode(std::string_view(message->constData(), size_t(message->size())));
            if (!arguments) {
                qWarning("A command line came in cut short and was ignored");
                return;
            }
            QStringList command;
            for (const std::string& argument : *arguments)
                command.append(QString::fromStdString(argument));
            qCDebug(instanceLog) << "command from another zorvi:" << command;
            emit commandReceived(command);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish();
        else
            connect(socket, &QLocalSocket::disconnected, this, finish);
    }
}
