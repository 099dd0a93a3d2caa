#pragma once

#include "ScriptedTestService.h"

#include <QProcessEnvironment>

// The S3-compatible store the tests of one run share (s3-server.sh). Each
// test gets a bucket of its own.
class S3TestServer : public ScriptedTestService {
public:
    static constexpr const char* accessKey = "S3RVER";
    static constexpr const char* secretKey = "S3RVER";

    // Null when no store can be had (reported as a test failure by the caller).
    static S3TestServer* shared();

    QString endpoint() const { return url(); }
    // A new empty bucket; returns its name, or empty with error() set.
    QString createBucket();
    // The objects in `bucket` whose keys start with `prefix`, read from the store's folder.
    int objectCount(const QString& bucket, const QString& prefix) const;
    // The environment a zorvi-server needs to reach the store.
    static QProcessEnvironment credentials();

private:
    S3TestServer() = default;
};
