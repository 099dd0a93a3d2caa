#pragma once

#include <QStringList>

#include <optional>

// What `zorvi` accepts on its command line. Asking for usage or the version
// is answered on standard output without starting the app (or needing a
// display); everything else goes to the running instance as a command.
namespace CommandLine {

QString usage();

// The seconds `--delay SECONDS` (or `--delay=SECONDS`) asks to wait before a
// capture: 0 without it; nothing when its value is no whole number from 0 to 60.
std::optional<int> delaySeconds(const QStringList& arguments);

// 0 when the arguments asked for usage or the version (printed on standard
// output), 2 for a delay that is no number of seconds (said on standard
// error); nothing when the app should start.
std::optional<int> answerWithoutStarting(const QStringList& arguments);

} // namespace CommandLine
