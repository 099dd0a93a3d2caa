#pragma once

#include "Authenticator.h"
#include "ServiceConfig.h"
#include "security/UrlSigner.h"
#include "net/EventStreams.h"
#include "net/FrontDoor.h"
#include "net/RequestProcessor.h"
#include "net/TlsContext.h"
#include "storage/DataFolder.h"
#include "changes/ChangeFeed.h"
#include "changes/SyncService.h"

#include <memory>
#include <optional>

class PgChangeRelay;

// The running service: its storage, the connection loop, the workers that
// run one request at a time, the live event streams and every route.
class ApiServer {
public:
    struct Tls {
        QString certificatePath;
        QString keyPath;
    };

    ApiServer(const QString& dataDirectory, ServiceConfig config, const std::optional<Tls>& tls = std::nullopt,
              const StorageOptions& storage = {});
    ~ApiServer();

    // Binds the address; port 0 picks a free one. Returns the bound port.
    int bind(const QString& host, int port);
    // Serves until stop(); returns false when serving failed.
    bool run();
    // Ends the event streams, then the server; safe from another thread.
    void stop();

private:
    void serve(std::unique_ptr<Connection> connection, const RequestHead& head);

    ServiceConfig config_;
    DataFolder data_;
    ChangeFeed feed_;
    // Events to and from the other instances on a shared database.
    std::unique_ptr<PgChangeRelay> relay_;
    SyncService sync_;
    Authenticator auth_;
    UrlSigner signer_;
    std::optional<TlsContext> tls_;
    // Before everything that holds connections: a closing connection gives
    // its address's place back to the front door.
    FrontDoor frontDoor_;
    EventStreams streams_;
    std::unique_ptr<struct ServiceContext> context_;
    RequestProcessor http_;
    std::unique_ptr<httplib::ThreadPool> workers_;
};
