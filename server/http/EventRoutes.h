#pragma once

#include "ServiceContext.h"

// The live event stream (text/event-stream): one "change" event whenever a
// workspace the token can read changes, and a comment line every
// keep-alive interval so idle connections stay open through proxies.
void registerEventRoutes(httplib::Server& server, ServiceContext& context);
