#pragma once

#include "ServiceContext.h"

// The live event stream (text/event-stream): one "change" event whenever a
// workspace the token can read changes, and a comment line every
// keep-alive interval so idle connections stay open through proxies. The
// request is checked here; the open stream then lives in EventStreams.
void registerEventRoutes(httplib::Server& server, ServiceContext& context);

// Whether an open stream may go on: its token still valid, its user still
// a member of exactly the workspaces it covers.
EventStreams::Check eventStreamCheck(AccountStore& accounts);
