#include "ContentHash.h"

#include <QCryptographicHash>

QString ContentHash::sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}
