#include "platform/Platform.h"
#include "shell/AppShell.h"
#include "shell/CommandLine.h"
#include "shell/SingleInstance.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Answered before any window system is needed: `zorvi --help` works over ssh too.
    QStringList early;
    for (int index = 1; index < argc; ++index)
        early.append(QString::fromLocal8Bit(argv[index]));
    if (const std::optional<int> exitCode = CommandLine::answerWithoutStarting(early))
        return *exitCode;
    if (SingleInstance::forwardToRunningInstance(early))
        return 0;

    Platform::choose();
    QApplication app(argc, argv);
    AppShell::configureApplication();

    const QStringList arguments = QApplication::arguments().mid(1);
    SingleInstance instance;
    instance.listen();

    AppShell shell;
    if (arguments.contains("--background"))
        shell.startInBackground();
    if (!shell.launch())
        return 1;
    QObject::connect(&instance, &SingleInstance::commandReceived, &shell, &AppShell::handleCommand);
    if (!arguments.isEmpty())
        shell.handleCommand(arguments);
    return QApplication::exec();
}
