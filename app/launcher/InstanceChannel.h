#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a later `zorvi` hands its command line to the instance already running:
// where that instance listens, and what travels over the connection. Plain
// C++ and POSIX, because the `zorvi` command forwards without loading Qt and
// the app's listener must agree with it byte for byte.
//
// On the wire each argument is its bytes (UTF-8) followed by a NUL; closing
// the connection ends the list, so an empty connection is an empty command
// line and bytes after the last NUL mean the sender broke off.
namespace InstanceChannel {

// A socket per user and per library, so a test's instance never answers the
// user's own: $TMPDIR (or /tmp), "zorvi-UID-" and a hash of $ZORVI_HOME.
std::string socketPath();

std::string encode(const std::vector<std::string>& arguments);
// Nothing when the message was cut short.
std::optional<std::vector<std::string>> decode(std::string_view message);

// True when an instance accepted the connection and took the whole command line.
bool forwardToRunningInstance(const std::vector<std::string>& arguments);

} // namespace InstanceChannel
