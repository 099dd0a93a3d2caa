#include "UrlSigner.h"

#include "security/Secrets.h"

#include <QFile>
#include <QSaveFile>

#include <stdexcept>

QString UrlSigner::mac(const QString& method, const QString& path, const QString& bytes, const QString& expires) const {
    return Secrets::hmacSha256Hex(key_, (method + '\n' + path + '\n' + bytes + '\n' + expires).toUtf8());
}

QString UrlSigner::sign(const QString& method, const QString& path, const QString& bytes, std::int64_t expiresAt) const {
    const QString expires = QString::number(expiresAt);
    const QString size = bytes.isEmpty() ? QString() : QStringLiteral("bytes=") + bytes + '&';
    return path + '?' + size + QStringLiteral("expires=") + expires + QStringLiteral("&signature=") +
           mac(method, path, bytes, expires);
}

bool UrlSigner::verify(const QString& method, const QString& path, const QString& bytes, const QString& expires,
                       const QString& signature, std::int64_t now) const {
    bool ok = false;
    const std::int64_t at = expires.toLongLong(&ok);
    return ok && at >= now && Secrets::constantTimeEquals(mac(method, path, bytes, expires), signature);
}

QByteArray UrlSigner::loadOrCreateKey(const QString& path) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray key = QByteArray::fromHex(existing.readAll().trimmed());
        if (key.size() >= 32)
            return key;
    }
    const QString hex = Secrets::randomHex(32);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(hex.toLatin1()) != hex.size() || !file.commit())
        throw std::runtime_error("could not write the signing key " + path.toStdString());
    return QByteArray::fromHex(hex.toLatin1());
}
