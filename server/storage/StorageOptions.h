#pragma once

#include <QString>

// Where the service keeps its rows; empty: the SQLite file in the data folder.
struct StorageOptions {
    // postgresql://user@host:port/database
    QString databaseUrl;
    // Connections each instance opens to it at most.
    int databasePoolSize = 16;
};
