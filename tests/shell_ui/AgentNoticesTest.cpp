#include "ShellFixture.h"

#include "board/CaptureDetailView.h"
#include "board/DashboardViewModel.h"
#include "library/Library.h"
#include "board/DashboardWindow.h"
#include "common/Identifiers.h"
#include "settings/Preferences.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "support/NoticeRecorder.h"
#include "support/QtEventLoop.h"

namespace {

// dunst, a real notification server, on the suite's own bus and display.
class AgentNoticesTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        ASSERT_TRUE(recorder.start(home.path()));
    }

    QStringList notices() const { return recorder.notices(); }
    bool noticeArrives(const QString& text) { return recorder.arrives(text); }

    NoticeRecorder recorder;
};

Comment agentComment(const QString& captureID, const QString& body) {
    Comment comment;
    comment.id = Identifiers::make();
    comment.captureID = captureID;
    comment.author = "cursor";
    comment.isAgent = true;
    comment.body = body;
    comment.createdAt = QDateTime::currentDateTimeUtc();
    return comment;
}

// An agent works on the person's capture through its own connection, as
// zorvi-mcp does; the notices reach the desktop and a click opens the capture.
TEST_F(AgentNoticesTest, AnAgentsClaimAndCommentAreNoticedAndAClickOpensTheCapture) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    auto* window = windowNamed<DashboardWindow>("dashboard");
    ASSERT_NE(window, nullptr);

    CaptureStore agent(ZorviPaths::databaseFile());
    Capture capture;
    capture.id = Identifiers::make();
    capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
    capture.note = "Export button does nothing";
    agent.insert(capture);
    agent.claim(capture.id, "cursor");
    ASSERT_TRUE(noticeArrives("Zorvi|cursor is working on your capture|Export button does nothing"));
    agent.addComment(agentComment(capture.id, "Found it: the handler is never connected."));
    ASSERT_TRUE(noticeArrives("cursor commented on your capture|Export button does nothing "
                              "Found it: the handler is never connected."));

    ASSERT_TRUE(NoticeRecorder::clickShown());
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->captureID() == capture.id; }, 10000));

    // Turned off, a resolve says nothing; turned on again, the next comment does.
    Preferences::shared().setShowDesktopNotices(false);
    agent.resolve(capture.id, std::nullopt, "cursor");
    ASSERT_TRUE(processEventsUntil([&] {
        const std::optional<Capture> shown = window->board().library().capture(capture.id);
        return shown && shown->status == CaptureStatus::resolved;
    }));
    Preferences::shared().setShowDesktopNotices(true);
    agent.addComment(agentComment(capture.id, "Fixed in 4f2c1e9."));
    ASSERT_TRUE(noticeArrives("Fixed in 4f2c1e9."));
    EXPECT_FALSE(notices().join('\n').contains("resolved your capture"));
}

} // namespace
