#pragma once

#include "http/ServiceContext.h"

// The page a person opens to approve a device: sign in with the password the
// administrator set, then approve or deny the code the device shows. Every
// form carries a CSRF token: before sign-in a double-submit cookie, after it
// the token bound to the browser session.
void registerVerificationRoutes(httplib::Server& server, ServiceContext& context);
