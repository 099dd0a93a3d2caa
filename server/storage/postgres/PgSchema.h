#pragma once

#include <vector>

// The service's tables on PostgreSQL, as numbered steps: step N takes a
// database at version N-1 to version N. Steps are only ever appended.
const std::vector<const char*>& pgSchemaSteps();
