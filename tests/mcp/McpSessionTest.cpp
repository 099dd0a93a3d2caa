#include "InputSchema.h"
#include "McpSession.h"
#include "ToolError.h"
#include "ToolRegistry.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A tool whose behaviour the test picks by argument: echo, a tool error, or
// an unexpected failure.
class ProbeTool : public Tool {
public:
    ToolDefinition definition() const override {
        return {.name = "probe",
                .title = "Probe",
                .description = "Test tool",
                .inputSchema = InputSchema::object({{"say", InputSchema::string("what to answer")}}),
                .readOnly = false,
                .destructive = true};
    }
    ToolResult call(const ToolArguments& arguments) override {
        const QString say = arguments.text("say").value_or("nothing");
        if (say == u"fail")
            throw ToolError("asked to fail");
        if (say == u"crash")
            throw std::runtime_error("out of cheese");
        return ToolResult::text(say);
    }
};

class McpSessionTest : public ::testing::Test {
protected:
    McpSessionTest() { tools.add(std::make_unique<ProbeTool>()); }

    QJsonObject send(const QByteArray& line) {
        const std::optional<QByteArray> reply = session.handle(line);
        if (!reply)
            return {};
        EXPECT_TRUE(reply->endsWith('\n'));
        return QJsonDocument::fromJson(*reply).object();
    }
    QJsonObject callProbe(const QJsonValue& say) {
        QJsonObject params{{"name", "probe"}, {"arguments", QJsonObject{{"say", say}}}};
        return send(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", 9}, {"method", "tools/call"}, {"params", params}})
                        .toJson(QJsonDocument::Compact));
    }

    ToolRegistry tools;
    McpSession session{tools, "1.2.3"};
};

} // namespace

TEST_F(McpSessionTest, InitializeNegotiatesTheRevision) {
    const auto initialize = [this](const char* version) {
        return send(QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":")") +
                    version + R"(","capabilities":{},"clientInfo":{"name":"t","version":"0"}}})")
            .value("result")
            .toObject();
    };
    const QJsonObject latest = initialize("2025-11-25");
    EXPECT_EQ(latest.value("protocolVersion").toString(), "2025-11-25");
    EXPECT_TRUE(latest.value("capabilities").toObject().contains("tools"));
    EXPECT_EQ(latest.value("serverInfo").toObject().value("version").toString(), "1.2.3");

    EXPECT_EQ(initialize("2025-03-26").value("protocolVersion").toString(), "2025-03-26");
    EXPECT_EQ(session.protocolVersion(), "2025-03-26");
    EXPECT_EQ(initialize("2099-01-01").value("protocolVersion").toString(), "2025-11-25");

    const QJsonObject refused = send(R"({"jsonrpc":"2.0","id":2,"method":"initialize","params":{}})");
    EXPECT_EQ(refused.value("error").toObject().value("code").toInt(), -32602);
}

TEST_F(McpSessionTest, SilentForNotificationsResponsesAndBlankLines) {
    EXPECT_FALSE(session.handle(R"({"jsonrpc":"2.0","method":"notifications/initialized"})"));
    EXPECT_FALSE(session.handle(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":1}})"));
    EXPECT_FALSE(session.handle(R"({"jsonrpc":"2.0","id":5,"result":{}})"));
    EXPECT_FALSE(session.handle("   "));
    // An unknown notification is not an error either: nobody waits for a reply.
    EXPECT_FALSE(session.handle(R"({"jsonrpc":"2.0","method":"notifications/whatever"})"));
}

TEST_F(McpSessionTest, ListsToolsWithAnnotations) {
    const QJsonArray list = send(R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})")
                                .value("result").toObject().value("tools").toArray();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject probe = list.first().toObject();
    EXPECT_EQ(probe.value("title").toString(), "Probe");
    const QJsonObject annotations = probe.value("annotations").toObject();
    EXPECT_FALSE(annotations.value("readOnlyHint").toBool(true));
    EXPECT_TRUE(annotations.value("destructiveHint").toBool());
    EXPECT_FALSE(annotations.value("openWorldHint").toBool(true));
}

TEST_F(McpSessionTest, ToolFailuresAreResultsAndSurprisesAreInternalErrors) {
    const QJsonObject ok = callProbe("hello").value("result").toObject();
    EXPECT_FALSE(ok.contains("isError"));
    EXPECT_EQ(ok.value("content").toArray().first().toObject().value("text").toString(), "hello");

    const QJsonObject failed = callProbe("fail").value("result").toObject();
    EXPECT_TRUE(failed.value("isError").toBool());
    EXPECT_EQ(failed.value("content").toArray().first().toObject().value("text").toString(), "asked to fail");

    // A schema violation is the model's to fix, so it is a result too.
    EXPECT_TRUE(callProbe(42).value("result").toObject().value("isError").toBool());

    const QJsonObject crashed = callProbe("crash");
    EXPECT_EQ(crashed.value("error").toObject().value("code").toInt(), -32603);
    EXPECT_EQ(crashed.value("id").toInt(), 9);

    // The session carries on after all of them.
    EXPECT_TRUE(send(R"({"jsonrpc":"2.0","id":10,"method":"ping"})").value("result").isObject());
}
