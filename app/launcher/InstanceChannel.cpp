#include "launcher/InstanceChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace InstanceChannel {

namespace {

// FNV-1a: a stable hash anyone can compute, so the name is the same in the
// launcher and in the app whatever either is built with.
std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string hex(std::uint64_t value) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int index = 15; index >= 0; --index, value >>= 4)
        text[std::size_t(index)] = digits[value & 0xf];
    return text;
}

} // namespace

std::string socketPath() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const char* home = std::getenv("ZORVI_HOME");
    return folder + "/zorvi-" + std::to_string(getuid()) + '-' + hex(fnv1a(home ? home : ""));
}

std::string encode(const std::vector<std::string>& arguments) {
    std::string message;
    for (const std::string& argument : arguments) {
        message += argument;
        message += '\0';
    }
    return message;
}

std::optional<std::vector<std::string>> decode(std::string_view message) {
    if (!message.empty() && message.back() != '\0')
        return std::nullopt;
    std::vector<std::string> arguments;
    while (!message.empty()) {
        const std::size_t end = message.find('\0');
        arguments.emplace_back(message.substr(0, end));
        message.remove_prefix(end + 1);
    }
    return arguments;
}

bool forwardToRunningInstance(const std::vector<std::string>& arguments) {
    const std::string path = socketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Refused or absent: no instance answers (a socket left by a crash is
    // reclaimed by the next instance to listen).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    const std::string message = encode(arguments);
    std::size_t written = 0;
    while (written < message.size()) {
        const ssize_t n = ::send(fd, message.data() + written, message.size() - written, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += std::size_t(n);
    }
    ::close(fd);
    return written == message.size();
}

} // namespace InstanceChannel
