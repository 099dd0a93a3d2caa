#include "common/Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Values as the service's parser would produce them, so integers and reals
// arrive exactly as Qt decodes them off the network.
QJsonValue parsed(const char* json) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + json + "]");
    return doc.array().at(0);
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

} // namespace

TEST(WireReaders, StrTakesOnlyNonEmptyText) {
    EXPECT_EQ(Wire::str(QJsonValue("abc")), QString("abc"));
    EXPECT_FALSE(Wire::str(QJsonValue("")));
    EXPECT_FALSE(Wire::str(parsed("5")));
    EXPECT_FALSE(Wire::str(QJsonValue::Null));
    EXPECT_FALSE(Wire::str(QJsonObject().value("missing")));
}

TEST(WireReaders, IntegerAcceptsNumbersAndStrictDecimalText) {
    EXPECT_EQ(Wire::integer(parsed("42")), 42);
    EXPECT_EQ(Wire::integer(parsed("\"42\"")), 42);
    EXPECT_EQ(Wire::integer(parsed("\"+42\"")), 42);
    EXPECT_EQ(Wire::integer(parsed("\"-42\"")), -42);
    EXPECT_EQ(Wire::integer(parsed("3.9")), 3);
    EXPECT_EQ(Wire::integer(parsed("-3.9")), -3);
    EXPECT_EQ(Wire::integer(parsed("9223372036854775807")), INT64_MAX);
    EXPECT_EQ(Wire::integer(parsed("\"-9223372036854775808\"")), INT64_MIN);

    for (const char* unusable : {"\" 42\"", "\"42.0\"", "\"4 2\"", "\"\"", "\"+\"", "\"-\"",
                                 "\"9223372036854775808\"", "1e300", "-1e19", "true", "null",
                                 "[1]", "{\"a\":1}"})
        EXPECT_EQ(Wire::integer(parsed(unusable)), 0) << unusable;
}

TEST(WireReaders, RealParsesWholeCLocaleText) {
    EXPECT_DOUBLE_EQ(Wire::real(parsed("\"1.5\"")), 1.5);
    EXPECT_DOUBLE_EQ(Wire::real(parsed("2")), 2.0);
    EXPECT_DOUBLE_EQ(Wire::real(parsed("-0.25")), -0.25);
    EXPECT_DOUBLE_EQ(Wire::real(parsed("\"-2e3\"")), -2000.0);
    for (const char* unusable : {"\" 1.5\"", "\"\\t1.5\"", "\"1.5x\"", "\"1,5\"", "\"\"", "\"1.5 \"",
                                 "\"nan\"", "\"inf\"", "\"0x1p3\"", "\"1e\"", "\".\"", "true", "null", "[]"})
        EXPECT_DOUBLE_EQ(Wire::real(parsed(unusable)), 0.0) << unusable;
}

TEST(WireReaders, BooleanAcceptsBoolsAndIntegers) {
    EXPECT_TRUE(Wire::boolean(parsed("true")));
    EXPECT_TRUE(Wire::boolean(parsed("1")));
    EXPECT_TRUE(Wire::boolean(parsed("-7")));
    EXPECT_FALSE(Wire::boolean(parsed("0")));
    EXPECT_FALSE(Wire::boolean(parsed("false")));
    EXPECT_FALSE(Wire::boolean(parsed("\"true\"")));
    EXPECT_FALSE(Wire::boolean(parsed("0.5")));
    EXPECT_FALSE(Wire::boolean(QJsonValue::Null));
}

TEST(WireReaders, StringsKeepsTextElementsInOrder) {
    EXPECT_EQ(Wire::strings(parsed(R"(["b", 1, "", null, "a", ["x"]])")), QStringList({"b", "", "a"}));
    EXPECT_TRUE(Wire::strings(parsed("\"a\"")).isEmpty());
    EXPECT_TRUE(Wire::strings(QJsonValue::Null).isEmpty());
}

TEST(WireReaders, JsonPassesTextAndSerialisesContainersSorted) {
    EXPECT_EQ(Wire::json(parsed(R"({"b":1,"a":[true,null]})")), QString(R"({"a":[true,null],"b":1})"));
    EXPECT_EQ(Wire::json(parsed(R"([{"z":1,"y":2}])")), QString(R"([{"y":2,"z":1}])"));
    // A text is already JSON the service chose to send as text: never re-encoded.
    EXPECT_EQ(Wire::json(parsed(R"("{\"k\":1}")")), QString(R"({"k":1})"));
    EXPECT_FALSE(Wire::json(QJsonValue::Null));
    EXPECT_FALSE(Wire::json(parsed("3")));
    EXPECT_FALSE(Wire::json(parsed("false")));
}

TEST(WireDates, EpochSecondsAndMillisecondsAgree) {
    const QDateTime expected = utc(2024, 5, 1, 12, 34, 56);
    EXPECT_EQ(Wire::date(parsed("1714566896")), expected);
    EXPECT_EQ(Wire::date(parsed("1714566896000")), expected);
    EXPECT_EQ(Wire::date(parsed("1714566896.5")), expected.addMSecs(500));
    EXPECT_EQ(Wire::date(parsed("1714566896500.0")), expected.addMSecs(500));
}

TEST(WireDates, TenToTheTwelveIsSecondsForBothNumberKinds) {
    const QDateTime asSeconds = QDateTime::fromSecsSinceEpoch(1000000000000LL, Qt::UTC);
    EXPECT_EQ(Wire::date(parsed("1000000000000")), asSeconds);
    EXPECT_EQ(Wire::date(QJsonValue(1e12)), asSeconds);
    EXPECT_EQ(Wire::date(parsed("1000000000001")), QDateTime::fromMSecsSinceEpoch(1000000000001LL, Qt::UTC));
}

TEST(WireDates, IsoTextWithOrWithoutFraction) {
    const QDateTime expected = utc(2024, 5, 1, 12, 34, 56);
    EXPECT_EQ(Wire::date(QJsonValue("2024-05-01T12:34:56Z")), expected);
    EXPECT_EQ(Wire::date(QJsonValue("2024-05-01T12:34:56.000Z")), expected);
    EXPECT_EQ(Wire::date(QJsonValue("2024-05-01T12:34:56.789Z")), expected.addMSecs(789));
    EXPECT_EQ(Wire::date(QJsonValue("2024-05-01T14:34:56+02:00")), expected);
    EXPECT_EQ(Wire::date(QJsonValue("2024-05-01T07:04:56.5-05:30")), expected.addMSecs(500));
}

TEST(WireDates, UnusableValuesAreAbsent) {
    for (const char* text : {"yesterday", "", "2024-05-01", "2024-05-01 12:34:56Z", "2024-05-01T12:34:56",
                             "2024-13-01T00:00:00Z", "2024-02-30T00:00:00Z", "2024-05-01T24:00:00Z",
                             "2024-05-01T12:34:56+24:00", "2024-05-01T12:34:56.Z"})
        EXPECT_FALSE(Wire::date(QJsonValue(text))) << text;
    EXPECT_FALSE(Wire::date(parsed("true")));
    EXPECT_FALSE(Wire::date(parsed("1e300")));
    EXPECT_FALSE(Wire::date(parsed("-1e300")));
    EXPECT_FALSE(Wire::date(parsed("9223372036854775807")));
    EXPECT_FALSE(Wire::date(QJsonValue::Null));
}

TEST(WireDates, StampWritesUtcMillisecondsAndNullForAbsent) {
    EXPECT_EQ(Wire::stamp(utc(2024, 5, 1, 12, 34, 56, 7)), QJsonValue("2024-05-01T12:34:56.007Z"));
    const QDateTime offset = QDateTime(QDate(2024, 5, 1), QTime(14, 34, 56), Qt::OffsetFromUTC, 7200);
    EXPECT_EQ(Wire::stamp(offset), QJsonValue("2024-05-01T12:34:56.000Z"));
    EXPECT_EQ(Wire::stamp(std::nullopt), QJsonValue(QJsonValue::Null));
    // What we write, we read back to the same instant.
    const QDateTime when = utc(2031, 12, 31, 23, 59, 59, 999);
    EXPECT_EQ(Wire::date(Wire::stamp(when)), when);
}

TEST(WireSummary, StatusChangeReadsAsWords) {
    EXPECT_EQ(Wire::summarize("status_changed", parsed(R"({"from":"in_progress","to":"resolved"})"), {}),
              QString("in progress \u2192 resolved"));
    EXPECT_EQ(Wire::summarize("status_changed", parsed(R"({"to":"in_progress"})"), {}), QString("in progress"));
    EXPECT_EQ(Wire::summarize("status_changed", parsed("[1]"), {}), QString(""));
}

TEST(WireSummary, PersonLookupFallsBackToTheId) {
    const Wire::PersonNameLookup lookup = [](const QString& id) -> std::optional<QString> {
        if (id == "u1")
            return QString("Ada");
        if (id == "broken")
            throw std::runtime_error("lookup failed");
        return std::nullopt;
    };
    EXPECT_EQ(Wire::summarize("assigned", parsed(R"({"assignee_id":"u1"})"), lookup), QString("Ada"));
    EXPECT_EQ(Wire::summarize("assigned", parsed(R"({"assignee_id":"u2"})"), lookup), QString("u2"));
    EXPECT_EQ(Wire::summarize("assigned", parsed(R"({"assignee_id":"broken"})"), lookup), QString("broken"));
    EXPECT_FALSE(Wire::summarize("assigned", parsed(R"({"assignee_id":5})"), lookup));
    EXPECT_EQ(Wire::summarize("moved", parsed(R"({"group_name":"Web","group_id":"u1"})"), lookup), QString("Web"));
    EXPECT_EQ(Wire::summarize("moved", parsed(R"({"group_id":"g9"})"), lookup), QString("g9"));
}

TEST(WireSummary, KindSpecificTexts) {
    EXPECT_EQ(Wire::summarize("resolved", parsed(R"({"resolution":"fixed","resolution_ref":"abc"})"), {}),
              QString("fixed"));
    EXPECT_EQ(Wire::summarize("proposed", parsed(R"({"resolution":1,"resolution_ref":"abc"})"), {}),
              QString("abc"));
    EXPECT_FALSE(Wire::summarize("resolved", parsed("{}"), {}));
    EXPECT_EQ(Wire::summarize("created", parsed(R"({"mode":"text"})"), {}), QString("no screenshot"));
    EXPECT_EQ(Wire::summarize("created", parsed(R"({"mode":"region"})"), {}), QString("Region"));
    EXPECT_EQ(Wire::summarize("created", parsed(R"({"mode":"full SCREEN"})"), {}), QString("Full Screen"));
    EXPECT_FALSE(Wire::summarize("created", parsed("{}"), {}));
    EXPECT_FALSE(Wire::summarize("claimed", parsed(R"({"by":"x"})"), {}));
    EXPECT_EQ(Wire::summarize("labelled", parsed(R"({"z":1,"a":"b"})"), {}), QString(R"({"a":"b","z":1})"));
    EXPECT_FALSE(Wire::summarize("labelled", parsed("{}"), {}));
    EXPECT_FALSE(Wire::summarize("labelled", parsed("7"), {}));
}

TEST(WireSummary, CommentIsCutAt140CharactersWithoutSplittingOne) {
    EXPECT_EQ(Wire::summarize("commented", parsed("{}"), {}), QString(""));
    const QString shortBody = "looks fine";
    EXPECT_EQ(Wire::summarize("commented", QJsonObject{{"body", shortBody}}, {}), shortBody);

    // 139 letters then an emoji (two UTF-16 units) and more: the emoji is kept whole.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x90\x9B");
    const QString body = QString(139, u'a') + emoji + "tail";
    EXPECT_EQ(Wire::summarize("commented", QJsonObject{{"body", body}}, {}), QString(139, u'a') + emoji);
}
