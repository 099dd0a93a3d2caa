#pragma once

#include <QString>

namespace Identifiers {

// A fresh random UUID as 36 lower-case characters.
QString make();

// True when an identifier that came from outside (a service row, an MCP
// argument) can safely name a row and become part of a file name: 1 to 128
// characters from [A-Za-z0-9_-], so it can never reach a path outside its folder.
bool isSafe(const QString& id);

} // namespace Identifiers
