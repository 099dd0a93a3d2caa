#pragma once

#include "ServiceContext.h"

// OAuth 2.0 device authorization (RFC 8628): the code request and the token
// poll. The approval itself happens on the verification page (web/).
void registerDeviceAuthRoutes(httplib::Server& server, ServiceContext& context);

// Normalises what a person typed ("bcdf ghjk", "BCDF-GHJK") to the stored form.
QString normalizedUserCode(const QString& typed);
