#include "PasswordHash.h"

#include "Secrets.h"

#include <QStringList>

#include <openssl/evp.h>

#include <stdexcept>

namespace {

// OWASP's current floor for PBKDF2-HMAC-SHA512.
constexpr int iterations = 210000;
constexpr int hashBytes = 64;

QString derive(const QString& password, const QByteArray& salt, int rounds) {
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(hashBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()), reinterpret_cast<const unsigned char*>(salt.constData()),
                          int(salt.size()), rounds, EVP_sha512(), hashBytes,
                          reinterpret_cast<unsigned char*>(out.data())) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return QString::fromLatin1(out.toHex());
}

} // namespace

namespace PasswordHash {

QString make(const QString& password) {
    const QString salt = Secrets::randomHex(16);
    return QStringLiteral("pbkdf2-sha512$%1$%2$%3")
        .arg(iterations)
        .arg(salt, derive(password, QByteArray::fromHex(salt.toLatin1()), iterations));
}

bool verify(const QString& password, const QString& stored) {
    const QStringList parts = stored.split('$');
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha512"))
        return false;
    bool ok = false;
    const int rounds = parts[1].toInt(&ok);
    if (!ok || rounds < 1 || rounds > 10'000'000)
        return false;
    return Secrets::constantTimeEquals(derive(password, QByteArray::fromHex(parts[2].toLatin1()), rounds), parts[3]);
}

} // namespace PasswordHash
