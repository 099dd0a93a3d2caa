#pragma once

#include "ServiceContext.h"

// The sync exchange and the reconcile check.
void registerSyncRoutes(httplib::Server& server, ServiceContext& context);
