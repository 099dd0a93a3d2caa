#pragma once

#include <QString>

// Passwords are kept as PBKDF2-HMAC-SHA512 with a random salt, in the text
// form "pbkdf2-sha512$<iterations>$<salt hex>$<hash hex>", so the cost can be
// raised later without invalidating stored hashes.
namespace PasswordHash {

QString make(const QString& password);
bool verify(const QString& password, const QString& stored);

} // namespace PasswordHash
