#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// AWS Signature Version 4, the parts an S3-compatible store checks: the
// canonical request, the text that is signed, the signature, and addresses
// that carry their signature in the query ("presigned") so a client can
// reach the store without the service's keys.
namespace SigV4 {

struct Credentials {
    QString accessKey;
    QString secretKey;
    QString region;
    QString service = QStringLiteral("s3");
};

// Names and values as they are, before any encoding.
using Pairs = QList<QPair<QString, QString>>;

struct Request {
    QString method;
    QString path;  // unencoded, starting with '/'
    Pairs query;
    Pairs headers; // every header that is signed, "host" included
    QString payloadHash;
};

// RFC 3986 encoding with AWS's unreserved set; '/' kept when it separates path segments.
QString uriEncode(const QString& text, bool keepSlash);
QString canonicalRequest(const Request& request);
QString stringToSign(const QDateTime& at, const Credentials& credentials, const QString& canonicalRequest);
QString signature(const QDateTime& at, const Credentials& credentials, const QString& stringToSign);

// The encoded path and query of an address for `method` on `path` at
// `host`, good for `lifetimeSeconds` from `at`. `headers` the client must
// send unchanged are signed too (a Content-Length pins an upload's size).
QString presignedPathAndQuery(const Credentials& credentials, const QString& method, const QString& host,
                              const QString& path, const Pairs& headers, const QDateTime& at, int lifetimeSeconds);

} // namespace SigV4
