#include "Secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace Secrets {

QString randomHex(int bytes) {
    QByteArray buffer(bytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(buffer.data()), bytes) != 1)
        throw std::runtime_error("the system's random generator failed");
    return QString::fromLatin1(buffer.toHex());
}

QString sha256Hex(const QByteArray& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.constData(), size_t(data.size()), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}

QString hmacSha256Hex(const QByteArray& key, const QByteArray& message) {
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key.constData(), int(key.size()),
              reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()), mac, &length))
        throw std::runtime_error("HMAC failed");
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(mac), int(length)).toHex());
}

bool constantTimeEquals(const QString& a, const QString& b) {
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    return x.size() == y.size() && CRYPTO_memcmp(x.constData(), y.constData(), size_t(x.size())) == 0;
}

bool isSha256Hex(const QString& text) {
    if (text.size() != 64)
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f')))
            return false;
    }
    return true;
}

} // namespace Secrets
