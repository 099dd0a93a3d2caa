#pragma once

#include "ToolContext.h"

class ToolRegistry;

// Registers every Zorvi tool, in the order agents see them listed.
void registerZorviTools(ToolRegistry& registry, const ToolContext& context);
