#include "RequestHead.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<RequestHead> RequestHead::parse(const std::string& buffer) {
    const std::size_t end = buffer.find("\r\n\r\n");
    if (end == std::string::npos)
        return std::nullopt;
    RequestHead head;
    head.bytes = end + 4;
    const std::string_view text(buffer.data(), end + 2);
    std::size_t lineStart = 0;
    // The request line has no colon worth reading; header lines follow it.
    while (lineStart < text.size()) {
        const std::size_t lineEnd = text.find("\r\n", lineStart);
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        const bool requestLine = lineStart == 0;
        lineStart = lineEnd + 2;
        if (requestLine)
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trimmed(line.substr(0, colon)), value = trimmed(line.substr(colon + 1));
        if (sameWord(name, "Content-Length")) {
            std::size_t n = 0;
            if (std::from_chars(value.data(), value.data() + value.size(), n).ec == std::errc())
                head.contentLength = n;
        } else if (sameWord(name, "Transfer-Encoding")) {
            head.chunked = value.find("chunked") != std::string_view::npos;
        }
    }
    return head;
}

std::optional<std::size_t> RequestHead::bodyBytes() const {
    if (chunked)
        return std::nullopt;
    return contentLength.value_or(0);
}
