#pragma once

#include <string>

// Where the `zorvi` command and the app it starts lie relative to each other:
// the command in bin/, the app in libexec/zorvi/, in the build tree as in the
// installed package. Plain C++, for the command has no Qt.
namespace ProgramLayout {

// The app the command at `command` starts.
std::string appFor(const std::string& command);

// What a desktop should run to reach the app at `app`: the `zorvi` command
// that starts this very app, or, for a copy elsewhere, the app itself.
std::string commandFor(const std::string& app);

} // namespace ProgramLayout
