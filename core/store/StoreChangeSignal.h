#pragma once

// The cross-process "something in the library changed" announcement: a D-Bus
// session-bus signal, so the board, the MCP server and any other process on
// this session reload. Without a session bus nothing is posted and nothing fails.
namespace StoreChangeSignal {

inline constexpr const char* name = "dev.zorvi.store.didChange";
inline constexpr const char* path = "/dev/zorvi/store";
inline constexpr const char* interface = "dev.zorvi.store";
inline constexpr const char* member = "didChange";

void post();

} // namespace StoreChangeSignal
