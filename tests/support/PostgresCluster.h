#pragma once

#include <QString>

// The PostgreSQL cluster the tests of one run share: the one CTest started
// (in ZORVI_TEST_SERVICES/postgres), or else one this process starts on
// first use and stops at exit. Each test gets a database of its own.
class PostgresCluster {
public:
    // Null when no cluster can be had (reported as a test failure by the caller).
    static PostgresCluster* shared();
    ~PostgresCluster();

    // A new empty database; returns its URL, or empty with error() set.
    QString createDatabase();
    QString error() const { return error_; }

private:
    PostgresCluster() = default;
    bool startPrivate();

    QString url_;
    QString privateFolder_;
    QString error_;
};
