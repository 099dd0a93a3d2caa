#include "Identifiers.h"

#include <QUuid>

namespace Identifiers {

QString make() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

bool isSafe(const QString& id) {
    if (id.isEmpty() || id.size() > 128)
        return false;
    for (QChar c : id) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                        u == '-' || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace Identifiers
