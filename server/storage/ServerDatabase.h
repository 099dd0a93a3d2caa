#pragma once

#include "store/Database.h"

#include <cstdint>
#include <memory>

// The service's SQLite file: opens it, creates the tables and hands out
// change-feed positions to the SQLite stores that share it.
class ServerDatabase {
public:
    explicit ServerDatabase(const QString& path);

    Database& db() { return *db_; }
    // The next change-feed position; call inside a transaction.
    std::int64_t nextSeq();
    std::int64_t latestSeq();

private:
    void addColumnIfMissing(const char* table, const char* column, const char* declaration);

    std::unique_ptr<Database> db_;
};
