#pragma once

#include "PgPool.h"

#include <cstdint>

// The service's PostgreSQL database: brings its schema up to this program's
// version at start, hands out change-feed positions and keeps the secrets
// every instance must share.
//
// Feed positions come from one counter row. Taking the next one locks that
// row until the transaction ends, so positions are committed in the order
// they are handed out: a reader that saw position N has seen every position
// below it, and a cursor can never pass a change that commits later.
class PgDatabase {
public:
    PgDatabase(const QString& url, int poolSize);

    PgPool& pool() { return pool_; }
    // The next change-feed position; call inside a transaction.
    std::int64_t nextSeq();
    std::int64_t latestSeq();
    // Holds the feed counter until this thread's transaction ends, so a
    // read-merge-write cannot interleave with another instance's.
    void lockFeed();
    // The key that signs storage addresses, made by whichever instance came first.
    QByteArray signingKey();

private:
    void migrate();

    PgPool pool_;
};
