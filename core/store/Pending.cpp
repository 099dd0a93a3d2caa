#include "Pending.h"

#include <QJsonDocument>
#include <QJsonObject>

QSet<QString> pendingKeysOf(const std::optional<QString>& pendingJSON) {
    QSet<QString> keys;
    if (!pendingJSON)
        return keys;
    const QJsonDocument doc = QJsonDocument::fromJson(pendingJSON->toUtf8());
    if (!doc.isObject())
        return keys;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        keys.insert(it.key());
    return keys;
}
