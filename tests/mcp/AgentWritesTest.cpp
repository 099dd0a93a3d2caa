// What an agent's writes and reads through the server do to a library that
// refuses a write or is damaged.
#include "ToolRegistry.h"
#include "ZorviTools.h"

#include "support/LibraryDamage.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

class AgentWritesTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ZORVI_HOME", home.path().toUtf8()); }

    QString addCapture(CaptureStore& store, const QString& note) {
        Capture capture;
        capture.id = Identifiers::make();
        capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
        capture.note = note;
        capture.localOnly = true;
        store.insert(capture);
        return capture.id;
    }

    TempDir home;
};

TEST_F(AgentWritesTest, UpdateCaptureWritesFieldsAndTagsTogetherOrNotAtAll) {
    CaptureStore store(ZorviPaths::databaseFile());
    ToolRegistry tools;
    registerZorviTools(tools, ToolContext{store, "claude-code"});
    const QString id = addCapture(store, "search box loses focus");
    Database(ZorviPaths::databaseFile())
        .executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON capture_tags BEGIN SELECT RAISE(ABORT, 'full'); END;");

    const std::optional<ToolResult> result =
        tools.call("update_capture", {{"id", id}, {"note", "rewritten"}, {"tags", QJsonArray{"search"}}});
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->isError());
    EXPECT_EQ(store.capture(id)->note, "search box loses focus") << "the note waited for the tags";
    EXPECT_TRUE(store.tags(id).isEmpty());
}

TEST_F(AgentWritesTest, TheServerWarnsInItsResultsWhenTheLibraryIsDamaged) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    {
        CaptureStore store(ZorviPaths::databaseFile());
        for (int i = 0; i < 200; ++i)
            addCapture(store, QStringLiteral("capture %1 with a note long enough to fill pages").arg(i));
    }
    damageLibraryIndex(ZorviPaths::databaseFile());

    QProcess server;
    server.start(ZORVI_MCP_BINARY, {});
    ASSERT_TRUE(server.waitForStarted());
    int nextID = 1;
    const auto request = [&](const QString& method, const QJsonObject& params) -> QJsonObject {
        const int id = nextID++;
        const QJsonObject message{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
        server.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + "\n");
        QJsonObject reply;
        processEventsUntil([&] {
            while (server.canReadLine()) {
                const QJsonObject line = QJsonDocument::fromJson(server.readLine()).object();
                if (line.value("id").toInt() == id)
                    reply = line;
            }
            if (reply.isEmpty())
                server.waitForReadyRead(50);
            return !reply.isEmpty();
        });
        return reply;
    };
    request("initialize", {{"protocolVersion", "2025-06-18"},
                           {"capabilities", QJsonObject()},
                           {"clientInfo", QJsonObject{{"name", "test"}, {"version", "1"}}}});
    server.write(R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                 "\n");

    // The check runs beside the session; its verdict shows up in the results once it is in.
    QString warning;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            const QJsonObject reply = request("tools/call", {{"name", "capture_stats"}, {"arguments", QJsonObject()}});
            for (const QJsonValue& block : reply.value("result").toObject().value("content").toArray())
                if (block.toObject().value("text").toString().startsWith("Warning: the Zorvi library is damaged"))
                    warning = block.toObject().value("text").toString();
            return !warning.isEmpty();
        },
        20000));
    EXPECT_TRUE(warning.contains(".backup") || warning.contains("no earlier copy")) << warning.toStdString();
    server.closeWriteChannel();
    server.waitForFinished();
}

} // namespace
