#include "ToolRegistry.h"
#include "ZorviTools.h"

#include "support/TempDir.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/SyncLedger.h"

#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// The tools on a real library in a private folder, called as the server does.
class ZorviToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        registerZorviTools(tools, ToolContext{*store, "claude-code"});
    }

    QString addCapture(const QString& note, int minutesAgo = 0) {
        Capture capture;
        capture.id = Identifiers::make();
        capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
        capture.note = note;
        capture.localOnly = true;
        store->insert(capture);
        return capture.id;
    }

    ToolResult call(const QString& name, const QJsonObject& arguments = {}) {
        std::optional<ToolResult> result = tools.call(name, arguments);
        EXPECT_TRUE(result.has_value());
        return result.value_or(ToolResult::error("no such tool"));
    }

    static QString text(const ToolResult& result) {
        QStringList texts;
        for (const QJsonValue& block : result.content())
            if (block.toObject().value("type").toString() == u"text")
                texts.append(block.toObject().value("text").toString());
        return texts.join('\n');
    }

    TempDir home;
    std::unique_ptr<CaptureStore> store;
    ToolRegistry tools;
};

} // namespace

TEST_F(ZorviToolsTest, PagingVisitsEveryCaptureExactlyOnce) {
    QSet<QString> filed;
    for (int i = 0; i < 23; ++i)
        filed.insert(addCapture(QStringLiteral("Capture %1").arg(i), i));

    static const QRegularExpression uuid("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    QStringList seen;
    int offset = 0;
    for (int page = 0; page < 10; ++page) {
        const QString listed = text(call("list_captures", {{"limit", 5}, {"offset", offset}}));
        for (const auto& match : uuid.globalMatch(listed))
            seen.append(match.captured());
        if (!listed.contains("call list_captures again with offset"))
            break;
        offset += 5;
    }
    EXPECT_EQ(seen.size(), 23);
    EXPECT_EQ(QSet<QString>(seen.begin(), seen.end()), filed);
    EXPECT_EQ(text(call("list_captures", {{"offset", 23}})), "No more captures match.");
}

TEST_F(ZorviToolsTest, AssigneeMeNeedsSomeoneSignedIn) {
    const QString mine = addCapture("Mine");
    addCapture("Someone else's");

    const ToolResult nobody = call("list_captures", {{"assignee", "me"}});
    EXPECT_TRUE(nobody.isError());
    EXPECT_TRUE(text(nobody).contains("Nobody is signed in"));

    SyncLedger(*store).setSyncMeta("user_id", QString("user-1"));
    store->assign(mine, QString("user-1"), "you");
    const QString listed = text(call("list_captures", {{"assignee", "me"}}));
    EXPECT_TRUE(listed.contains(mine));
    EXPECT_FALSE(listed.contains("Someone else's"));
    EXPECT_TRUE(call("list_captures", {{"assignee", "../x"}}).isError());
}

TEST_F(ZorviToolsTest, ScreenshotsThatCannotBeSentAreExplainedAndOriginalsStandIn) {
    const QString id = addCapture("Three screenshots, one original on disk");
    CaptureImage missing;
    missing.id = Identifiers::make();
    missing.captureID = id;
    missing.position = -1;
    missing.createdAt = QDateTime::currentDateTimeUtc();
    missing.imagePath = ZorviPaths::relativeImagePath(missing.id, missing.createdAt, "png");
    store->addImage(missing);
    CaptureImage remote = missing;
    remote.id = Identifiers::make();
    remote.imagePath = "";
    remote.originalSHA256 = QString(64, 'a');
    store->addImage(remote);

    // Only the original is on disk; its marked copy is not.
    CaptureImage unmarked = missing;
    unmarked.id = Identifiers::make();
    unmarked.imagePath = ZorviPaths::relativeImagePath(unmarked.id, unmarked.createdAt, "png");
    unmarked.annotatedPath = ZorviPaths::markedRelativePath(unmarked.imagePath);
    ZorviPaths::ensureParentDirectory(ZorviPaths::imageFile(unmarked.imagePath));
    QImage original(64, 32, QImage::Format_RGB32);
    original.fill(Qt::white);
    ASSERT_TRUE(original.save(ZorviPaths::imageFile(unmarked.imagePath)));
    store->addImage(unmarked);

    const ToolResult result = call("get_capture", {{"id", id}});
    EXPECT_FALSE(result.isError());
    ASSERT_EQ(result.content().size(), 2) << "only the original makes an image block";
    EXPECT_EQ(result.content().at(1).toObject().value("type").toString(), "image");
    EXPECT_TRUE(text(result).contains("(missing or unreadable)"));
    EXPECT_TRUE(text(result).contains("not downloaded to this computer yet"));
    EXPECT_TRUE(text(result).contains(ZorviPaths::imageFile(unmarked.imagePath) + " (64×32)"));
}

TEST_F(ZorviToolsTest, UpdateNeedsSomethingToChange) {
    const QString id = addCapture("Note");
    const ToolResult nothing = call("update_capture", {{"id", id}});
    EXPECT_TRUE(nothing.isError());
    EXPECT_TRUE(text(nothing).contains("Nothing to change"));
    EXPECT_TRUE(text(call("update_capture", {{"id", id}, {"group", "Design"}})).contains("There are no groups yet."));
}
