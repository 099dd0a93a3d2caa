#include "launcher/ProgramLayout.h"

#include <climits>
#include <cstdlib>

namespace ProgramLayout {

namespace {

std::string folderOf(const std::string& program) { return program.substr(0, program.rfind('/') + 1); }

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : std::string();
}

} // namespace

std::string appFor(const std::string& command) { return folderOf(command) + ZORVI_APP_FROM_LAUNCHER; }

std::string commandFor(const std::string& app) {
    const std::string command = folderOf(app) + ZORVI_COMMANDS_FROM_APP "/zorvi";
    const std::string self = canonical(app);
    if (!self.empty() && canonical(appFor(command)) == self)
        return canonical(command);
    return app;
}

} // namespace ProgramLayout
