#include "RequestFields.h"

#include "HttpJson.h"
#include "changes/SyncRequest.h"

#include <QUrlQuery>

QJsonObject requestFields(const httplib::Request& req, std::size_t limit) {
    const QByteArray body = HttpJson::body(req, limit);
    if (HttpJson::header(req, "Content-Type").startsWith(QLatin1String("application/json")))
        return decodeJsonObject(body);
    QJsonObject fields;
    // Forms encode spaces as '+', which QUrlQuery leaves alone.
    QByteArray form = body;
    form.replace('+', ' ');
    const QUrlQuery query(QString::fromUtf8(form));
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded))
        fields.insert(key, value);
    return fields;
}
