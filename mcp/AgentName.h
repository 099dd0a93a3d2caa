#pragma once

#include <QString>

// The label of the agent this server runs for, from ZORVI_AGENT ("cursor",
// "claude-code", ...), written into its comments, claims and activity.
namespace AgentName {

QString fromEnvironment();

} // namespace AgentName
