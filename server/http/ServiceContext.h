#pragma once

#include "Authenticator.h"
#include "ServiceConfig.h"
#include "security/UrlSigner.h"
#include "net/EventStreams.h"
#include "storage/AccountStore.h"
#include "storage/BlobStore.h"
#include "changes/ChangeFeed.h"
#include "changes/SyncService.h"

// What the route handlers share; owned by ApiServer.
struct ServiceContext {
    ServiceConfig config;
    AccountStore& accounts;
    BlobStore& blobs;
    ChangeFeed& feed;
    SyncService& sync;
    Authenticator& auth;
    UrlSigner& signer;
    EventStreams& streams;
};
