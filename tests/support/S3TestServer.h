#pragma once

#include <QProcessEnvironment>
#include <QString>

// The S3-compatible store the tests of one run share (s3-server.sh): the
// one CTest started (in ZORVI_TEST_SERVICES/s3), or else one this process
// starts on first use and stops at exit. Each test gets a bucket of its own.
class S3TestServer {
public:
    static constexpr const char* accessKey = "S3RVER";
    static constexpr const char* secretKey = "S3RVER";

    // Null when no store can be had (reported as a test failure by the caller).
    static S3TestServer* shared();
    ~S3TestServer();

    QString endpoint() const { return url_; }
    // A new empty bucket; returns its name, or empty with error() set.
    QString createBucket();
    // The objects in `bucket` whose keys start with `prefix`, read from the store's folder.
    int objectCount(const QString& bucket, const QString& prefix) const;
    // The environment a zorvi-server needs to reach the store.
    static QProcessEnvironment credentials();
    QString error() const { return error_; }

private:
    S3TestServer() = default;
    bool startPrivate();

    QString folder_;
    QString url_;
    bool ownFolder_ = false;
    QString error_;
};
