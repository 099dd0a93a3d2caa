#include "SigV4.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>

#include <algorithm>

namespace SigV4 {

namespace {

const char* algorithm = "AWS4-HMAC-SHA256";

QByteArray hmac(const QByteArray& key, const QString& message) {
    return QMessageAuthenticationCode::hash(message.toUtf8(), key, QCryptographicHash::Sha256);
}

QString sha256Hex(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString dateStamp(const QDateTime& at) {
    return at.toUTC().toString(QStringLiteral("yyyyMMdd"));
}

QString timeStamp(const QDateTime& at) {
    return at.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QString scope(const QDateTime& at, const Credentials& c) {
    return dateStamp(at) + '/' + c.region + '/' + c.service + QStringLiteral("/aws4_request");
}

QString canonicalQuery(const Pairs& query) {
    QList<QPair<QString, QString>> encoded;
    for (const auto& [name, value] : query)
        encoded.append({uriEncode(name, false), uriEncode(value, false)});
    std::sort(encoded.begin(), encoded.end());
    QStringList parts;
    for (const auto& [name, value] : encoded)
        parts << name + '=' + value;
    return parts.join('&');
}

// Header values are trimmed and inner runs of spaces folded to one; a
// header given twice is one line with its values in the order they came.
QList<QPair<QString, QString>> canonicalHeaders(const Pairs& headers) {
    static const QRegularExpression spaces(QStringLiteral(" {2,}"));
    QList<QPair<QString, QString>> merged;
    for (const auto& [name, value] : headers) {
        const QString key = name.toLower().trimmed();
        const QString folded = value.trimmed().replace(spaces, QStringLiteral(" "));
        auto same = std::find_if(merged.begin(), merged.end(), [&](const auto& h) { return h.first == key; });
        if (same == merged.end())
            merged.append({key, folded});
        else
            same->second += ',' + folded;
    }
    std::stable_sort(merged.begin(), merged.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return merged;
}

QString signedHeaderNames(const Pairs& headers) {
    QStringList names;
    for (const auto& h : canonicalHeaders(headers))
        names << h.first;
    return names.join(';');
}

} // namespace

QString uriEncode(const QString& text, bool keepSlash) {
    QString out;
    for (const char c : text.toUtf8()) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved || (keepSlash && c == '/'))
            out += QLatin1Char(c);
        else
            out += QStringLiteral("%%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString canonicalRequest(const Request& r) {
    QString headerLines;
    for (const auto& [name, value] : canonicalHeaders(r.headers))
        headerLines += name + ':' + value + '\n';
    return r.method + '\n' + uriEncode(r.path, true) + '\n' + canonicalQuery(r.query) + '\n' + headerLines + '\n' +
           signedHeaderNames(r.headers) + '\n' + r.payloadHash;
}

QString stringToSign(const QDateTime& at, const Credentials& c, const QString& canonical) {
    return QLatin1String(algorithm) + '\n' + timeStamp(at) + '\n' + scope(at, c) + '\n' + sha256Hex(canonical);
}

QString signature(const QDateTime& at, const Credentials& c, const QString& toSign) {
    QByteArray key = hmac(("AWS4" + c.secretKey).toUtf8(), dateStamp(at));
    key = hmac(key, c.region);
    key = hmac(key, c.service);
    key = hmac(key, QStringLiteral("aws4_request"));
    return QString::fromLatin1(hmac(key, toSign).toHex());
}

QString presignedPathAndQuery(const Credentials& c, const QString& method, const QString& host, const QString& path,
                              const Pairs& headers, const QDateTime& at, int lifetimeSeconds) {
    Request request{method, path, {}, headers, QStringLiteral("UNSIGNED-PAYLOAD")};
    request.headers.prepend({QStringLiteral("host"), host});
    request.query = {{QStringLiteral("X-Amz-Algorithm"), QLatin1String(algorithm)},
                     {QStringLiteral("X-Amz-Credential"), c.accessKey + '/' + scope(at, c)},
                     {QStringLiteral("X-Amz-Date"), timeStamp(at)},
                     {QStringLiteral("X-Amz-Expires"), QString::number(lifetimeSeconds)},
                     {QStringLiteral("X-Amz-SignedHeaders"), signedHeaderNames(request.headers)}};
    const QString signed_ = signature(at, c, stringToSign(at, c, canonicalRequest(request)));
    return uriEncode(path, true) + '?' + canonicalQuery(request.query) + QStringLiteral("&X-Amz-Signature=") + signed_;
}

} // namespace SigV4
