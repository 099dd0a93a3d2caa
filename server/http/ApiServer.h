#pragma once

#include "Authenticator.h"
#include "ServiceConfig.h"
#include "UrlSigner.h"
#include "storage/DataFolder.h"
#include "sync/ChangeFeed.h"
#include "sync/SyncService.h"

#include <httplib.h>

#include <memory>

// The running service: its storage, the HTTP (or HTTPS) server and every route.
class ApiServer {
public:
    struct Tls {
        QString certificatePath;
        QString keyPath;
    };

    ApiServer(const QString& dataDirectory, ServiceConfig config, const std::optional<Tls>& tls = std::nullopt);
    ~ApiServer();

    // Binds the address; port 0 picks a free one. Returns the bound port.
    int bind(const QString& host, int port);
    // Serves until stop(); returns false when serving failed.
    bool run();
    // Ends the event streams, then the server; safe from another thread.
    void stop();

private:
    DataFolder data_;
    ChangeFeed feed_;
    SyncService sync_;
    Authenticator auth_;
    UrlSigner signer_;
    std::unique_ptr<struct ServiceContext> context_;
    std::unique_ptr<httplib::Server> http_;
};
