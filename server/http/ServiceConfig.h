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
};
