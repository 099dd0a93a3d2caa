#include "CaptureLink.h"

#include <QUrl>

namespace CaptureLink {

QString to(const QString& captureID) {
    return QStringLiteral("zorvi://capture/") + captureID;
}

std::optional<QString> captureID(const QString& text) {
    const QUrl url(text.trimmed());
    if (url.scheme().compare(QLatin1String(scheme), Qt::CaseInsensitive) != 0 || url.host() != u"capture")
        return std::nullopt;
    QString id = url.path();
    while (id.startsWith(u'/'))
        id.remove(0, 1);
    while (id.endsWith(u'/'))
        id.chop(1);
    if (id.isEmpty() || id.contains(u'/'))
        return std::nullopt;
    return id;
}

} // namespace CaptureLink
