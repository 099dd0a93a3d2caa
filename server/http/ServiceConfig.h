#pragma once

#include <QString>

#include <cstddef>

// Settings of a running service that handlers need.
struct ServiceConfig {
    // Origin used in links the service hands out (verification page, signed
    // storage addresses); empty: the origin the request was addressed to.
    QString publicUrl;
    bool tls = false;
    int deviceCodeLifetimeSeconds = 900;
    int devicePollIntervalSeconds = 5;
    int storageUrlLifetimeSeconds = 300;
    // Largest JSON body and largest blob accepted, in bytes.
    std::size_t maxJsonBytes = 4 * 1024 * 1024;
    std::size_t maxBlobBytes = 64 * 1024 * 1024;

    // What one client may hold. A request head must arrive within
    // headTimeoutSeconds; a body gets that plus its size at a slow uplink's
    // pace.
    int headTimeoutSeconds = 10;
    std::size_t slowestBodyBytesPerSecond = 32 * 1024;
    int connectionsPerAddress = 256;
    int streamsPerToken = 4;
    int streamsPerUser = 16;
    int workerThreads = 16;
    // Days an access token may go unused before it stops working.
    int tokenIdleDays = 90;
};
