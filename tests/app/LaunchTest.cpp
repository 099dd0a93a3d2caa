#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

struct LaunchTest : ::testing::Test {
    TempDir home;

    std::unique_ptr<QProcess> start(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_HOME", home.path() + "/library");
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        p->setProcessEnvironment(env);
        p->start(ZORVI_APP_BINARY, args);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }

    // Waits up to ten seconds for a window with this exact title (no regex characters in it).
    static bool windowAppears(const QString& title) {
        return QProcess::execute("timeout", {"10", "xdotool", "search", "--sync", "--name", "^" + title + "$"}) == 0;
    }
};

TEST_F(LaunchTest, FirstInstanceCreatesTheLibraryAndASecondOneHandsOver) {
    auto first = start();
    // A first start greets with the guide; the forwarded command opens the board.
    ASSERT_TRUE(windowAppears("Welcome to Zorvi"));
    EXPECT_TRUE(QFileInfo(home.path() + "/library/zorvi.sqlite").isFile());
    for (const char* folder : {"captures", "thumbs", "logs"})
        EXPECT_TRUE(QFileInfo(home.path() + "/library/" + folder).isDir()) << folder;

    auto second = start({"--dashboard"});
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(windowAppears("Zorvi")) << "the forwarded command reached the first instance";
    EXPECT_EQ(first->state(), QProcess::Running) << "the first instance keeps running";
    first->terminate();
    first->waitForFinished();
}

TEST_F(LaunchTest, UnopenableLibraryIsReportedAndTheAppQuits) {
    // A folder where the database file belongs cannot be opened as one.
    QDir().mkpath(home.path() + "/library/zorvi.sqlite");
    auto app = start();
    ASSERT_TRUE(windowAppears("Zorvi can't open its library"));
    // The dialog may not be viewable yet when it is first found; press Return until it closes.
    for (int i = 0; i < 20 && app->state() == QProcess::Running; ++i) {
        QProcess::execute("xdotool", {"search", "--name", "Zorvi can't open its library", "windowfocus", "--sync",
                                      "key", "Return"});
        app->waitForFinished(500);
    }
    ASSERT_EQ(app->state(), QProcess::NotRunning);
    EXPECT_EQ(app->exitCode(), 1);
}

// Asking for help or the version answers on standard output and starts
// nothing: no library, no window, even without a display.
TEST_F(LaunchTest, HelpAndVersionPrintAndExitWithoutStarting) {
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--version"}}) {
        auto app = start(args);
        ASSERT_TRUE(app->waitForFinished(10000)) << args.join(' ').toStdString() << " started the app";
        EXPECT_EQ(app->exitCode(), 0);
        const QString out = QString::fromUtf8(app->readAllStandardOutput());
        if (args.first() == "--version") {
            EXPECT_TRUE(out.startsWith("Zorvi ")) << out.toStdString();
        } else {
            for (const char* option : {"--capture-region", "--capture-screen", "--capture-window", "--new-issue",
                                       "--dashboard", "--settings", "--delay", "--help", "--version"})
                EXPECT_TRUE(out.contains(option)) << option;
        }
    }
    auto badDelay = start({"--capture-region", "--delay", "soon"});
    ASSERT_TRUE(badDelay->waitForFinished(10000));
    EXPECT_EQ(badDelay->exitCode(), 2);
    EXPECT_TRUE(badDelay->readAllStandardError().contains("--delay takes a whole number of seconds"));
    EXPECT_FALSE(QFileInfo(home.path() + "/library/zorvi.sqlite").exists()) << "asking for help opened the library";
}

} // namespace
