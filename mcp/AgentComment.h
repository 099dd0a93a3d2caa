#pragma once

#include <QString>

struct ToolContext;

// Posts a comment on a capture as this agent.
namespace AgentComment {

void post(const ToolContext& context, const QString& captureID, const QString& body);

} // namespace AgentComment
