#include "JsonRpc.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

JsonRpc::Malformed refusal(const QByteArray& line) {
    try {
        JsonRpc::parse(line);
    } catch (const JsonRpc::Malformed& malformed) {
        return malformed;
    }
    ADD_FAILURE() << "accepted " << line.constData();
    return {};
}

} // namespace

TEST(JsonRpc, ClassifiesRequestsNotificationsAndResponses) {
    const auto request = JsonRpc::parse(R"({"jsonrpc":"2.0","id":"a","method":"tools/list","params":{"cursor":"x"}})");
    EXPECT_EQ(request.kind, JsonRpc::Message::Kind::request);
    EXPECT_EQ(request.id.toString(), "a");
    EXPECT_EQ(request.params.value("cursor").toString(), "x");

    EXPECT_EQ(JsonRpc::parse(R"({"jsonrpc":"2.0","method":"notifications/initialized"})").kind,
              JsonRpc::Message::Kind::notification);
    EXPECT_EQ(JsonRpc::parse(R"({"jsonrpc":"2.0","id":3,"result":{}})").kind, JsonRpc::Message::Kind::response);
}

TEST(JsonRpc, RefusalsCarryTheRightCodeAndTheIdWhenReadable) {
    struct Case { const char* line; int code; QJsonValue id; };
    const Case cases[] = {
        {"{", JsonRpc::parseError, QJsonValue::Null},
        {"[]", JsonRpc::invalidRequest, QJsonValue::Null},
        {"42", JsonRpc::invalidRequest, QJsonValue::Null},
        {R"({"id":1,"method":"ping"})", JsonRpc::invalidRequest, 1},
        {R"({"jsonrpc":"2.0","id":null,"method":"ping"})", JsonRpc::invalidRequest, QJsonValue::Null},
        {R"({"jsonrpc":"2.0","id":{},"method":"ping"})", JsonRpc::invalidRequest, QJsonValue::Null},
        {R"({"jsonrpc":"2.0","id":2})", JsonRpc::invalidRequest, 2},
        {R"({"jsonrpc":"2.0","id":3,"method":7})", JsonRpc::invalidRequest, 3},
        {R"({"jsonrpc":"2.0","id":"p","method":"ping","params":[1]})", JsonRpc::invalidParams, "p"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const JsonRpc::Malformed malformed = refusal(c.line);
        EXPECT_EQ(malformed.error.code, c.code);
        EXPECT_EQ(malformed.id, c.id);
    }
}

TEST(JsonRpc, RepliesAreSingleLinesThatEchoTheId) {
    const QByteArray reply = JsonRpc::error(7, {JsonRpc::methodNotFound, "Method not found: x\nsecond line"});
    ASSERT_TRUE(reply.endsWith('\n'));
    EXPECT_EQ(reply.count('\n'), 1);
    const QJsonObject parsed = QJsonDocument::fromJson(reply).object();
    EXPECT_EQ(parsed.value("id").toInt(), 7);
    EXPECT_EQ(parsed.value("error").toObject().value("code").toInt(), -32601);
}
