// The `zorvi` command. Desktop shortcuts run `zorvi --capture-region` on every
// press, so a command for the running instance is handed over from here,
// without loading Qt or any of the app's libraries. Anything else (help, the
// version, a delay, an option we don't know, or no instance answering) runs
// the app itself in this same process, so the pid someone watches stays valid.
#include "launcher/InstanceChannel.h"
#include "launcher/ProgramLayout.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The options the running instance takes as a command, and nothing else: an
// empty command line too, which shows the board.
bool isInstanceCommand(const std::vector<std::string>& arguments) {
    static constexpr std::string_view commands[] = {"--capture-region", "--capture-screen", "--capture-window",
                                                    "--new-issue",      "--dashboard",      "--settings"};
    for (const std::string& argument : arguments) {
        bool known = false;
        for (const std::string_view command : commands)
            known = known || argument == command;
        if (!known)
            return false;
    }
    return true;
}

std::string appProgram() {
    std::string self(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0)
        return {};
    self.resize(std::size_t(length));
    return ProgramLayout::appFor(self);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (isInstanceCommand(arguments) && InstanceChannel::forwardToRunningInstance(arguments))
        return 0;
    const std::string app = appProgram();
    if (app.empty()) {
        std::fprintf(stderr, "zorvi: cannot tell where this program lies (/proc/self/exe: %s), so the app cannot be started.\n",
                     std::strerror(errno));
        return 127;
    }
    execv(app.c_str(), argv);
    std::fprintf(stderr, "zorvi: cannot start the app at %s: %s. The installation is incomplete; reinstall Zorvi.\n",
                 app.c_str(), std::strerror(errno));
    return 127;
}
