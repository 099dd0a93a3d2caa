#pragma once

#include "ServiceContext.h"

// Who the token belongs to, the devices it signed in, and signing out.
void registerAccountRoutes(httplib::Server& server, ServiceContext& context);
