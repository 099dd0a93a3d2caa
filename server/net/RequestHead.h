#pragma once

#include <cstddef>
#include <optional>
#include <string>

// What the front door needs to know of a request before anyone reads its
// body: where its head ends and how long a body it announces.
struct RequestHead {
    std::size_t bytes = 0; // the head's length, blank line included
    std::optional<std::size_t> contentLength;
    bool chunked = false;

    // The head at the start of `buffer`, once its blank line has arrived.
    static std::optional<RequestHead> parse(const std::string& buffer);
    // Bytes the body takes on the wire, when the head says.
    std::optional<std::size_t> bodyBytes() const;
};
