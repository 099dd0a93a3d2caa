#include "../sync/EngineFixture.h"

#include "common/SyncLimits.h"
#include "library/Library.h"
#include "platform/DesktopNotifier.h"
#include "shell/AgentNotices.h"
#include "settings/Preferences.h"
#include "shell/RefusedChangeNotices.h"
#include "support/NoticeRecorder.h"

namespace {

// Bob's library signed in to a real zorvi-server, with the app's notices
// going to dunst on the test's bus and display.
class RefusedChangeNoticeTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        qputenv("XDG_CONFIG_HOME", home.file("config").toUtf8());
        ASSERT_TRUE(recorder.start(home.path()));
        signInAsBob();
        library = std::make_unique<Library>(*store);
        notifier = DesktopNotifier::forSession();
        notices = std::make_unique<AgentNotices>(*library, account.get(), Preferences::shared(), *notifier);
    }
    void TearDown() override {
        notices.reset();
        library.reset();
        EngineFixture::TearDown();
    }

    int noticesSaying(const QString& text) { return int(recorder.notices().filter(text).size()); }

    NoticeRecorder recorder;
    std::unique_ptr<Library> library;
    std::unique_ptr<DesktopNotifier> notifier;
    std::unique_ptr<AgentNotices> notices;
};

// The service refuses a new capture whose note is over its limit: the person
// is told which capture and why in words (not the service's terse reason),
// once however often sync runs after, and the notice opens the capture.
TEST_F(RefusedChangeNoticeTest, ARefusedCaptureIsToldOnceInWordsAndOpensWhenClicked) {
    const Capture refused = newSharedCapture("Login form rejects valid addresses\n" +
                                             QString(SyncLimits::maxLongText, QChar('x')));
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle) << account->statusLine().toStdString();
    ASSERT_TRUE(recorder.arrives("A capture was not synced|“Login form rejects valid addresses”: Its note is longer "
                                 "than the workspace allows (65,536 characters). It stays on this computer only."))
        << recorder.notices().join('\n').toStdString();

    QString opened;
    QObject::connect(notices.get(), &AgentNotices::captureRequested, [&](const QString& id) { opened = id; });
    ASSERT_TRUE(NoticeRecorder::clickShown());
    ASSERT_TRUE(processEventsUntil([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, refused.id);

    // Later runs, with nothing new to send, tell nothing more.
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    processEventsUntil([] { return false; }, RefusedChangeNotices::burstMs * 2);
    EXPECT_EQ(noticesSaying("not synced"), 1);
    EXPECT_EQ(noticesSaying("is longer than 65536"), 0) << "the service's own words stay in the log";
}

} // namespace
