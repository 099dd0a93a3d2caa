#pragma once

#include <QByteArray>
#include <QString>

// Random values, digests and MACs for tokens, codes and signed addresses.
namespace Secrets {

// n random bytes from the operating system's CSPRNG, as lower-case hex.
QString randomHex(int bytes);
// SHA-256 as 64 lower-case hex digits.
QString sha256Hex(const QByteArray& data);
// HMAC-SHA256 of message under key, as lower-case hex.
QString hmacSha256Hex(const QByteArray& key, const QByteArray& message);
// Compares in time independent of where the texts differ.
bool constantTimeEquals(const QString& a, const QString& b);
// True for exactly 64 lower-case hex digits.
bool isSha256Hex(const QString& text);

} // namespace Secrets
