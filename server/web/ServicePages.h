#pragma once

#include <httplib.h>

// The pages the desktop's account tab links to on a self-hosted service: it
// has no web board and no self-service sign-up, so each page says what to do
// instead of leaving a person at an error.
void registerServicePages(httplib::Server& server);
