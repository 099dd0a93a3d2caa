#pragma once

#include "CancelFlag.h"
#include "DeviceCode.h"

class SyncClient;
class TokenStore;

// The polling half of the OAuth 2.0 device authorization grant (RFC 8628):
// waits for the user to approve the code in the browser, then keeps the token.
namespace DeviceSignIn {

// Polls every `code.interval` seconds (5 s more after each "slow_down") until
// the service hands out a token; sets it on the client and writes it to the
// token store before returning it. Throws SignInError (denied, expired),
// SyncError from a poll, TokenStoreError, or Cancelled.
QString waitForToken(SyncClient& client, TokenStore& tokens, const DeviceCode& code, const CancelFlag& cancel);

// Sleeps for `seconds` while the calling thread's events keep flowing; throws
// Cancelled as soon as the flag is raised.
void sleep(double seconds, const CancelFlag& cancel);

} // namespace DeviceSignIn
