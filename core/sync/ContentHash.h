#pragma once

#include <QByteArray>
#include <QString>

namespace ContentHash {

// SHA-256 of the bytes as 64 lower-case hexadecimal digits: the name of a blob.
QString sha256(const QByteArray& bytes);

} // namespace ContentHash
