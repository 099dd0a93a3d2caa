#pragma once

#include <QString>

// What a failed library read or write means to the person using Zorvi,
// from SQLite's extended result code. Never the engine's own wording.
namespace DatabaseErrorText {

QString sentence(bool opening, int code);

} // namespace DatabaseErrorText
