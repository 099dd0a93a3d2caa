#include "CaptureFixture.h"

#include "settings/Preferences.h"
#include "launcher/ProgramLayout.h"
#include "shell/SingleInstance.h"

#include <QFile>
#include <QProcess>

namespace {

QList<QStringList> forwardedCommandLines() {
    QFile file(ZORVI_SOURCE_DIR "/tests/data/command-line/forwarded.tsv");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QList<QStringList> lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'#'))
            continue;
        lines.append(line == "(none)" ? QStringList() : line.split(u'\t'));
    }
    return lines;
}

// The `zorvi` command run as a desktop shortcut runs it.
std::unique_ptr<QProcess> startCommand(const QStringList& arguments, const QString& program = ZORVI_APP_BINARY) {
    auto process = std::make_unique<QProcess>();
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted());
    return process;
}

bool finishes(QProcess& process) {
    return processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
}

} // namespace

// A command line reaches the running instance as it was typed, whether the
// `zorvi` command sends it or the app it starts for other options does.
TEST_F(CaptureFixture, ForwardedCommandLinesReachTheRunningInstanceArgumentForArgument) {
    SingleInstance instance;
    ASSERT_TRUE(instance.listen());
    QList<QStringList> received;
    QObject::connect(&instance, &SingleInstance::commandReceived,
                     [&](const QStringList& arguments) { received.append(arguments); });

    const QList<QStringList> commandLines = forwardedCommandLines();
    ASSERT_GE(commandLines.size(), 8);
    for (const QStringList& arguments : commandLines) {
        const std::string shown = arguments.join(u' ').toStdString();
        received.clear();
        auto command = startCommand(arguments);
        ASSERT_TRUE(finishes(*command)) << shown << ": the command started an app of its own";
        EXPECT_EQ(command->exitStatus(), QProcess::NormalExit) << shown;
        EXPECT_EQ(command->exitCode(), 0) << shown << ": " << command->readAllStandardError().toStdString();
        ASSERT_TRUE(processEventsUntil([&] { return !received.isEmpty(); }, 30000)) << shown << " never arrived";
        EXPECT_EQ(received, QList<QStringList>{arguments}) << shown;
    }

    // Help, the version and a bad delay are answered here, not sent: the
    // command that follows them is the only one the instance hears of.
    received.clear();
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"--capture-region", "--version"},
                                         QStringList{"--capture-region", "--delay", "soon"}}) {
        auto command = startCommand(arguments);
        ASSERT_TRUE(finishes(*command));
        EXPECT_EQ(command->exitCode(), arguments.last() == "soon" ? 2 : 0);
        EXPECT_EQ(command->readAllStandardOutput().isEmpty(), arguments.last() == "soon") << arguments.join(u' ').toStdString();
    }
    auto marker = startCommand({"--new-issue"});
    ASSERT_TRUE(finishes(*marker));
    ASSERT_TRUE(processEventsUntil([&] { return !received.isEmpty(); }, 30000));
    EXPECT_EQ(received, QList<QStringList>{{"--new-issue"}});
}

// With no instance running the command becomes the app, in the same process
// and under the app's name, and captures; the next command is handed to it.
TEST_F(CaptureFixture, TheCommandStartsTheAppAndCapturesWhenNoneRunsThenForwardsToIt) {
    Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
    const QPoint image = showKnownWindow();
    auto app = startCommand({"--capture-region"});
    const QString pid = QString::number(app->processId());
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection", 1, 60000)) << "no capture started";
    EXPECT_EQ(QFileInfo("/proc/" + pid + "/exe").canonicalFilePath(), QFileInfo(ZORVI_DESKTOP_BINARY).canonicalFilePath());
    QFile name("/proc/" + pid + "/comm");
    ASSERT_TRUE(name.open(QIODevice::ReadOnly));
    EXPECT_EQ(name.readAll().trimmed(), "zorvi") << "what pgrep -x zorvi and the window manager see";

    DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(120, 100));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi note"));
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    EXPECT_EQ(differingPixels(imageOf(store->images(captures().front().id).front()), knownImage().copy(20, 20, 100, 80)), 0);

    auto board = startCommand({"--dashboard"});
    ASSERT_TRUE(finishes(*board));
    EXPECT_EQ(board->exitCode(), 0);
    EXPECT_TRUE(DesktopDriver::waitForWindows("Zorvi")) << "the board of the running app";
    EXPECT_EQ(app->state(), QProcess::Running);
    app->terminate();
    if (!app->waitForFinished(30000))
        app->kill();
}

// A copy of the command without the app beside it says where the app should
// be, rather than failing in silence or forwarding to nobody.
TEST_F(CaptureFixture, TheCommandSaysWhereTheAppShouldBeWhenItIsMissing) {
    TempDir install;
    QDir().mkpath(install.file("bin"));
    ASSERT_TRUE(QFile::copy(ZORVI_APP_BINARY, install.file("bin/zorvi")));
    for (const QStringList& arguments : {QStringList{"--version"}, QStringList{"--capture-region"}}) {
        auto command = startCommand(arguments, install.file("bin/zorvi"));
        ASSERT_TRUE(finishes(*command));
        EXPECT_NE(command->exitCode(), 0);
        EXPECT_TRUE(command->readAllStandardOutput().isEmpty());
        const QString error = QString::fromLocal8Bit(command->readAllStandardError());
        EXPECT_TRUE(error.contains(install.file("bin/")) && error.contains("libexec/zorvi/zorvi")) << error.toStdString();
        EXPECT_TRUE(error.contains("No such file")) << error.toStdString();
    }
}

// What GNOME's keybindings and the login entry are given to run: the command
// that starts this app, so each press forwards without loading Qt; a copy of
// the app elsewhere runs itself.
TEST_F(CaptureFixture, DesktopsAreGivenTheCommandThatStartsTheApp) {
    EXPECT_EQ(QString::fromStdString(ProgramLayout::commandFor(ZORVI_DESKTOP_BINARY)),
              QFileInfo(ZORVI_APP_BINARY).canonicalFilePath());
    // An installation moved elsewhere keeps its layout; a lone copy has none.
    TempDir elsewhere;
    const QString command = elsewhere.file("bin/zorvi"), app = elsewhere.file("libexec/zorvi/zorvi");
    const QString lone = elsewhere.file("zorvi");
    QDir().mkpath(elsewhere.file("bin"));
    QDir().mkpath(elsewhere.file("libexec/zorvi"));
    ASSERT_TRUE(QFile::copy(ZORVI_APP_BINARY, command));
    ASSERT_TRUE(QFile::copy(ZORVI_APP_BINARY, app));
    ASSERT_TRUE(QFile::copy(ZORVI_APP_BINARY, lone));
    EXPECT_EQ(QString::fromStdString(ProgramLayout::commandFor(app.toStdString())), command);
    EXPECT_EQ(QString::fromStdString(ProgramLayout::commandFor(lone.toStdString())), lone);
}
