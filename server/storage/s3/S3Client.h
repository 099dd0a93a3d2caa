#pragma once

#include "SigV4.h"

#include <QIODevice>
#include <QString>

#include <functional>

// Where a bucket lives: an S3-compatible endpoint, addressed path-style
// (<endpoint>/<bucket>/<key>) so self-hosted stores need no DNS per bucket.
struct S3Location {
    QString endpoint; // http(s)://host[:port]
    QString bucket;
    SigV4::Credentials credentials;
};

// The service's own requests to the bucket, signed by libcurl. Each call
// returns the store's HTTP status; a store that cannot be reached throws
// std::runtime_error with a message for the operator.
class S3Client {
public:
    using Sink = std::function<bool(const char* data, std::size_t size)>;

    explicit S3Client(S3Location location);

    long headBucket();
    long head(const QString& key);
    // The object's bytes go to `sink` as they arrive; false from it stops the transfer.
    long get(const QString& key, const Sink& sink);
    long put(const QString& key, QIODevice& body, qint64 size);
    long copy(const QString& from, const QString& to);
    long remove(const QString& key);

    // An address a client uses without credentials, for `lifetimeSeconds`;
    // `headers` it must send unchanged are part of the signature.
    QString presignedUrl(const QString& method, const QString& key, const SigV4::Pairs& headers,
                         int lifetimeSeconds) const;
    const S3Location& location() const { return location_; }

private:
    struct Transfer;
    long perform(Transfer& transfer);
    QString objectPath(const QString& key) const;

    S3Location location_;
};
