#pragma once

#include "ServiceContext.h"

// Uploads and downloads of image files. The API hands out short-lived signed
// addresses on the service's own storage endpoint; the storage endpoint
// checks the signature instead of a token and verifies every upload's hash
// before keeping it.
void registerBlobRoutes(httplib::Server& server, ServiceContext& context);
