#include "shell/CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>


namespace CommandLine {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("CommandLine", text); }

} // namespace

QString usage() {
    return tr("Usage: zorvi [OPTION]\n"
              "Capture a bug on screen and hand it to a coding agent.\n"
              "\n"
              "Without an option Zorvi starts in the tray, or shows the board of the one already running.\n"
              "\n"
              "  --capture-region   freeze the screen and drag over the part to capture\n"
              "  --capture-screen   capture the whole screen\n"
              "  --capture-window   freeze the screen and click the window to capture, frame and all\n"
              "  --new-issue        file a note without a screenshot\n"
              "  --dashboard        show the board\n"
              "  --settings         show the settings\n"
              "  --delay SECONDS    with a capture option: count down first (up to 60 seconds)\n"
              "  -h, --help         show this help and exit\n"
              "  -v, --version      show the version and exit\n"
              "\n"
              "The library lives in ~/.local/share/Zorvi, or in the folder ZORVI_HOME names.\n");
}

std::optional<int> delaySeconds(const QStringList& arguments) {
    // Time to open a menu or hover a tooltip; a longer delay is taken for a typo.
    constexpr int longestDelay = 60;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        QString value;
        if (arguments[index] == "--delay")
            value = arguments.value(index + 1);
        else if (arguments[index].startsWith("--delay="))
            value = arguments[index].mid(8);
        else
            continue;
        bool number = false;
        const int seconds = value.toInt(&number);
        if (!number || seconds < 0 || seconds > longestDelay)
            return std::nullopt;
        return seconds;
    }
    return 0;
}

std::optional<int> answerWithoutStarting(const QStringList& arguments) {
    QTextStream out(stdout);
    if (arguments.contains("--help") || arguments.contains("-h")) {
        out << usage();
        return 0;
    }
    if (arguments.contains("--version") || arguments.contains("-v")) {
        out << "Zorvi " << ZORVI_VERSION << '\n';
        return 0;
    }
    if (!delaySeconds(arguments)) {
        QTextStream(stderr) << tr("zorvi: --delay takes a whole number of seconds from 0 to 60.") << '\n';
        return 2;
    }
    return std::nullopt;
}

} // namespace CommandLine
