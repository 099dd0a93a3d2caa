#pragma once

#include "ScriptedTestService.h"

// The PostgreSQL cluster the tests of one run share (postgres-cluster.sh).
// Each test gets a database of its own.
class PostgresCluster : public ScriptedTestService {
public:
    // Null when no cluster can be had (reported as a test failure by the caller).
    static PostgresCluster* shared();

    // A new empty database; returns its URL, or empty with error() set.
    QString createDatabase();

private:
    PostgresCluster() = default;
};
