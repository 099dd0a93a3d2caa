#pragma once

#include "ServiceContext.h"

#include <httplib.h>

// The checks a request must pass on its head alone, before a byte of its
// body is read: the route's body limit (from Content-Length; bodies of
// unknown length are refused) and, for the API, a valid bearer token. A
// hostile body is thus never read, however large.
httplib::Server::HandlerWithResponse admission(ServiceContext& context);

// The body's announced size: 0 without one, the largest number when it is
// not a number.
std::size_t contentLength(const httplib::Request& req);

// Bodies of forms and small JSON requests (sign-in, uploads, devices).
constexpr std::size_t smallBodyBytes = 16 * 1024;
