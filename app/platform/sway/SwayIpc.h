#pragma once

#include <QJsonDocument>

// sway's own IPC socket (the one swaymsg talks to, named by SWAYSOCK): one
// request, one JSON answer, asked synchronously because sway answers from
// memory within a millisecond.
namespace SwayIpc {

enum class Request : quint32 { getOutputs = 3, getTree = 4 };

// Whether this session is sway's.
bool isAvailable();
// sway's answer; a null document when sway doesn't answer.
QJsonDocument ask(Request request);

} // namespace SwayIpc
