#include "platform/sway/SwayIpc.h"

#include <QLocalSocket>
#include <QtEndian>

#include <cstring>

namespace {

constexpr char magic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr int headerSize = sizeof magic + 2 * sizeof(quint32);
constexpr int timeoutMs = 1000;

// Reads exactly `size` bytes, or nothing when the socket closes or stalls.
QByteArray readExactly(QLocalSocket& socket, qint64 size) {
    QByteArray data;
    while (data.size() < size) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
            return {};
        data += socket.read(size - data.size());
    }
    return data;
}

} // namespace

namespace SwayIpc {

bool isAvailable() {
    return !qEnvironmentVariableIsEmpty("SWAYSOCK");
}

QJsonDocument ask(Request request) {
    if (!isAvailable())
        return {};
    QLocalSocket socket;
    socket.connectToServer(qEnvironmentVariable("SWAYSOCK"));
    if (!socket.waitForConnected(timeoutMs))
        return {};
    // The header is the magic, then the payload's length and the request
    // type, both in the machine's own byte order.
    QByteArray header(magic, sizeof magic);
    const quint32 fields[] = {0, quint32(request)};
    header.append(reinterpret_cast<const char*>(fields), sizeof fields);
    socket.write(header);
    if (!socket.waitForBytesWritten(timeoutMs))
        return {};
    const QByteArray reply = readExactly(socket, headerSize);
    if (reply.size() != headerSize || std::memcmp(reply.constData(), magic, sizeof magic) != 0)
        return {};
    quint32 length = 0;
    std::memcpy(&length, reply.constData() + sizeof magic, sizeof length);
    return QJsonDocument::fromJson(readExactly(socket, length));
}

} // namespace SwayIpc
