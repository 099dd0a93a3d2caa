#pragma once

#include "Connection.h"

#include <httplib.h>

#include <QIODevice>

#include <string>

// A file as a whole reply, read from disk a piece at a time as the client
// takes it, never held in memory: all of it, or the one range asked for
// (several ranges get the whole file once). The connection closes after it.
namespace FileReply {

// `headOnly` (a HEAD request) sends the head without the bytes.
void send(Connection& connection, QIODevice& file, const httplib::Ranges& ranges, const std::string& contentType,
          const std::string& extraHeaders, bool headOnly);

} // namespace FileReply
