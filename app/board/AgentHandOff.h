#pragma once

#include <QKeySequence>
#include <QString>

struct Capture;

// What a person pastes into their coding agent to point it at a capture:
// the short id, the note's first line, and how to read the rest.
namespace AgentHandOff {

// Ctrl+Shift+C, on the board and in a capture's detail.
QKeySequence shortcut();
QString text(const Capture& capture);
// Puts text(capture) on the clipboard.
void copy(const Capture& capture);

} // namespace AgentHandOff
