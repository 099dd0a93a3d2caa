#pragma once

#include <QString>

// Where the service keeps its rows; empty: the SQLite file in the data folder.
struct StorageOptions {
    // postgresql://user@host:port/database
    QString databaseUrl;
    // Connections each instance opens to it at most.
    int databasePoolSize = 16;
    // Where screenshots go; empty: the blobs folder in the data folder.
    // s3://BUCKET, on `s3Endpoint` (path-style) in `s3Region`.
    QString blobsUrl;
    QString s3Endpoint;
    QString s3Region;
};
