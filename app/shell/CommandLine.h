#pragma once

#include <QStringList>

#include <optional>

// What `zorvi` accepts on its command line. Asking for usage or the version
// is answered on standard output without starting the app (or needing a
// display); everything else goes to the running instance as a command.
namespace CommandLine {

QString usage();

// 0 when the arguments asked for usage or the version (printed on standard
// output); nothing when the app should start.
std::optional<int> answerWithoutStarting(const QStringList& arguments);

} // namespace CommandLine
