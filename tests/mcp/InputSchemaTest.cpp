#include "InputSchema.h"
#include "ToolError.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

const QJsonObject schema = InputSchema::object(
    {
        {"id", InputSchema::nonEmptyString("id")},
        {"status", InputSchema::oneOf("status", {"open", "resolved"})},
        {"limit", InputSchema::integer("limit", 1, 200)},
        {"tags", InputSchema::stringList("tags")},
    },
    {"id"});

// The message of the ToolError that validation raises, or "" when it passes.
QString failure(const QJsonObject& arguments) {
    try {
        InputSchema::validate(schema, arguments);
        return {};
    } catch (const ToolError& error) {
        return error.description();
    }
}

} // namespace

TEST(InputSchema, AcceptsArgumentsThatFit) {
    EXPECT_EQ(failure({{"id", "abc"}}), "");
    EXPECT_EQ(failure({{"id", "abc"}, {"status", "open"}, {"limit", 200}, {"tags", QJsonArray{"a", "b"}}}), "");
    // Clients often send null for an optional field they leave out.
    EXPECT_EQ(failure({{"id", "abc"}, {"limit", QJsonValue::Null}}), "");
}

TEST(InputSchema, NamesTheFirstArgumentThatDoesNotFit) {
    EXPECT_EQ(failure({}), R"(Missing argument "id".)");
    EXPECT_EQ(failure({{"id", "  "}}), R"(Argument "id" must not be empty.)");
    EXPECT_EQ(failure({{"id", 7}}), R"(Argument "id" must be a string.)");
    EXPECT_EQ(failure({{"id", QJsonValue::Null}}), R"(Argument "id" must be a string.)");
    EXPECT_EQ(failure({{"id", "a"}, {"status", "closed"}}), R"(Argument "status" must be one of "open", "resolved".)");
    EXPECT_EQ(failure({{"id", "a"}, {"limit", 0}}), R"(Argument "limit" must be a whole number from 1 to 200.)");
    EXPECT_EQ(failure({{"id", "a"}, {"limit", 2.5}}), R"(Argument "limit" must be a whole number from 1 to 200.)");
    EXPECT_EQ(failure({{"id", "a"}, {"limit", "10"}}), R"(Argument "limit" must be a whole number from 1 to 200.)");
    EXPECT_EQ(failure({{"id", "a"}, {"tags", "ui"}}), R"(Argument "tags" must be a list.)");
    EXPECT_EQ(failure({{"id", "a"}, {"tags", QJsonArray{"ui", 3}}}), R"(Argument "tags" item 2 must be a string.)");
    EXPECT_EQ(failure({{"id", "a"}, {"ID", "b"}}),
              R"(Unknown argument "ID"; this tool takes "id", "limit", "status", "tags".)");
}
