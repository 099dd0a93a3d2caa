#pragma once

#include <cstdio>

class McpSession;

// Runs a session over newline-delimited JSON on two streams until the input
// ends. Only replies go to the output; logs go to stderr.
namespace StdioServer {

void run(McpSession& session, std::FILE* input, std::FILE* output);

} // namespace StdioServer
