#include "ConnectionStream.h"

namespace {

thread_local ConnectionStream* serving = nullptr;

} // namespace

ConnectionStream* ConnectionStream::current() {
    return serving;
}

ConnectionStream::Serving::Serving(ConnectionStream& stream) {
    serving = &stream;
}

ConnectionStream::Serving::~Serving() {
    serving = nullptr;
}

bool ConnectionStream::is_readable() const {
    return !handedOver() &&
           (connection_.hasBufferedInput() || connection_.waitFor(Connection::Wait::readable, readDeadline_));
}

bool ConnectionStream::is_writable() const {
    return handedOver() || connection_.waitFor(Connection::Wait::writable, Clock::now() + writeTimeout_);
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
    while (!handedOver() && !failed_) {
        Connection::Wait wait = Connection::Wait::none;
        const ssize_t n = connection_.readSome(ptr, size, wait);
        if (n >= 0) {
            bytesRead_ += std::size_t(n);
            return n;
        }
        if (n == -2 || !connection_.waitFor(wait, readDeadline_))
            failed_ = true;
    }
    return -1;
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
    if (handedOver())
        return ssize_t(size);
    std::size_t done = 0;
    const auto deadline = Clock::now() + writeTimeout_;
    while (done < size && !failed_) {
        Connection::Wait wait = Connection::Wait::none;
        const ssize_t n = connection_.writeSome(ptr + done, size - done, wait);
        if (n > 0)
            done += std::size_t(n);
        else if (n == 0 || n == -2 || !connection_.waitFor(wait, deadline))
            failed_ = true;
    }
    return failed_ ? -1 : ssize_t(size);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = connection_.peer().address;
    port = connection_.peer().port;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    ip = connection_.local().address;
    port = connection_.local().port;
}

bool ConnectionStream::discard(std::size_t bytes, Clock::time_point deadline) {
    readDeadline_ = std::min(readDeadline_, deadline);
    char sink[16 * 1024];
    while (bytes > 0) {
        const ssize_t n = read(sink, std::min(bytes, sizeof sink));
        if (n <= 0)
            return false;
        bytes -= std::size_t(n);
    }
    return true;
}
