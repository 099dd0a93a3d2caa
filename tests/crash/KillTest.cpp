// kill -9 at random moments while the app's write paths and zorvi-mcp work on
// the same library; after every kill the library must open sound, every image
// row must have its files, and what is left over must be what the next
// launch sweeps. ZORVI_KILLS sets how many kills (default 40), ZORVI_KILL_SEED
// replays a run.
#include "KillRun.h"
#include "SoundLibrary.h"

#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include "common/Identifiers.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

namespace {

// A session of requests for zorvi-mcp, written before it starts reading, so
// it is busy writing when the kill comes.
QByteArray agentSession(const QStringList& ids, std::mt19937& rng) {
    QByteArray lines;
    const auto send = [&](const QJsonObject& message) {
        lines += QJsonDocument(message).toJson(QJsonDocument::Compact) + "\n";
    };
    send({{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"},
          {"params", QJsonObject{{"protocolVersion", "2025-06-18"}, {"capabilities", QJsonObject()},
                                 {"clientInfo", QJsonObject{{"name", "kill-test"}, {"version", "1"}}}}}});
    send({{"jsonrpc", "2.0"}, {"method", "notifications/initialized"}});
    for (int i = 1; i <= 60; ++i) {
        const QString id = ids[int(rng() % ids.size())];
        QJsonObject call;
        switch (rng() % 3) {
        case 0:
            call = {{"name", "update_capture"},
                    {"arguments", QJsonObject{{"id", id}, {"note", QStringLiteral("agent %1").arg(i)},
                                              {"tags", QJsonArray{"agent", QStringLiteral("t%1").arg(i % 5)}}}}};
            break;
        case 1:
            call = {{"name", "comment_on_capture"},
                    {"arguments", QJsonObject{{"id", id}, {"body", QStringLiteral("looked at it (%1)").arg(i)}}}};
            break;
        default:
            call = {{"name", "claim_capture"}, {"arguments", QJsonObject{{"id", id}}}};
            break;
        }
        send({{"jsonrpc", "2.0"}, {"id", i}, {"method", "tools/call"}, {"params", call}});
    }
    return lines;
}

TEST(KillTest, TheLibraryStaysSoundWhateverMomentAWriterIsKilledAt) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    TempDir home;
    qputenv("ZORVI_HOME", home.path().toUtf8());
    const KillRun run = KillRun::fromEnvironment("kill test", 40);
    std::mt19937 rng(run.seed);

    QStringList agentTargets;
    {
        CaptureStore store(ZorviPaths::databaseFile());
        for (int i = 0; i < 5; ++i) {
            Capture c;
            c.id = Identifiers::make();
            c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
            c.note = QStringLiteral("agent target %1").arg(i);
            c.localOnly = true;
            store.insert(c);
            agentTargets << c.id;
        }
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (int round = 0; round < run.kills && !::testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE(run.at(round));
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(ZORVI_CRASH_WRITER, {QString::number(rng())});
        QProcess agent;
        agent.setProcessEnvironment(environment);
        agent.start(ZORVI_MCP_BINARY, {});
        ASSERT_TRUE(writer.waitForStarted() && agent.waitForStarted());
        agent.write(agentSession(agentTargets, rng));

        // Some operations in, then a random moment inside the next one.
        const int operations = int(rng() % 6) + 1;
        int finished = 0;
        ASSERT_TRUE(processEventsUntil(
            [&] {
                finished += int(writer.readAllStandardOutput().count('\n'));
                return finished >= operations || writer.state() == QProcess::NotRunning;
            },
            30000))
            << "the writer never got going";
        ASSERT_EQ(writer.state(), QProcess::Running) << writer.readAllStandardError().toStdString();
        QThread::usleep(rng() % 15000);
        writer.kill();
        agent.kill();
        writer.waitForFinished();
        agent.waitForFinished();

        expectSoundLibrary(ZorviPaths::databaseFile());
    }
    if (::testing::Test::HasFailure())
        run.sayHowToReplay();
}

} // namespace
