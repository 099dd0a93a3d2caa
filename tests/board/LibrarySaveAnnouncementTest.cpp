// What other processes see of a capture being filed, and of edits that touch
// no capture field.
#include "../store/StoreFixture.h"

#include "library/Library.h"
#include "store/StoreChangeSignal.h"
#include "support/QtEventLoop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace {

// Listens on the real session bus as another process would, and looks at the
// library through a connection of its own the moment a signal arrives.
class Onlooker : public QObject {
    Q_OBJECT
public:
    explicit Onlooker(QString captureID)
        : captureID_(std::move(captureID)), store_(ZorviPaths::databaseFile()) {
        QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                              StoreChangeSignal::member, this, SLOT(received()));
    }
    // Every signal sent before this call has been counted once it returns:
    // the bus answers in order, so by the time a question to it is answered,
    // the signals sent before it are waiting in this thread's queue.
    void settle() {
        QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.DBus");
        deliverPostedEvents();
    }
    int signals_ = 0;
    std::vector<std::size_t> imagesSeen;
public slots:
    void received() {
        ++signals_;
        imagesSeen.push_back(store_.images(captureID_).size());
    }

private:
    QString captureID_;
    CaptureStore store_;
};

class LibrarySaveAnnouncementTest : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the test runs on its own session bus";
    }
};

TEST_F(LibrarySaveAnnouncementTest, ACaptureIsAnnouncedOnceWithAllItsImagesOrNotAtAll) {
    Library library(*store);
    const Capture capture = newCapture("two screenshots");
    const std::vector<CaptureImage> images{newImage(capture.id, 0), newImage(capture.id, 1)};
    Onlooker onlooker(capture.id);

    ASSERT_TRUE(library.add(capture, {"ui"}, images));
    ASSERT_TRUE(processEventsUntil([&] { return onlooker.signals_ >= 1; }));
    onlooker.settle();
    EXPECT_EQ(onlooker.signals_, 1) << "one announcement, after the whole capture was committed";
    EXPECT_EQ(onlooker.imagesSeen.front(), 2u);

    // The second image clashes with a stored one: nothing of the capture stays, and nobody is told.
    const Capture clashing = newCapture("never half-filed");
    CaptureImage second = newImage(clashing.id, 1);
    second.id = images[0].id;
    EXPECT_FALSE(library.add(clashing, {"ui"}, {newImage(clashing.id, 0), second}));
    onlooker.settle();
    EXPECT_EQ(onlooker.signals_, 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id = ?;", {clashing.id}), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity WHERE capture_id = ?;", {clashing.id}), 0);
    EXPECT_TRUE(library.loadError().has_value());
}

TEST_F(LibrarySaveAnnouncementTest, TagAndGroupChangesFromAnotherProcessReachAnOpenBoard) {
    const Capture capture = newCapture("tagged by an agent");
    store->insert(capture);
    Library library(*store);
    CaptureStore agent(ZorviPaths::databaseFile());

    QString stamp = agent.changeStamp();
    agent.setTags({"needs-repro"}, capture.id);
    EXPECT_NE(agent.changeStamp(), stamp) << "a tags-only edit moves the change stamp";
    ASSERT_TRUE(processEventsUntil(
        [&] { return library.tagsByCapture().value(capture.id) == QStringList{"needs-repro"}; }));

    CaptureGroup group;
    group.id = Identifiers::make();
    group.name = "Checkout";
    group.colorHex = "#10B981";
    group.createdAt = group.updatedAt = QDateTime::currentDateTimeUtc();
    stamp = agent.changeStamp();
    agent.upsertGroup(group);
    EXPECT_NE(agent.changeStamp(), stamp) << "a new group moves the change stamp";
    ASSERT_TRUE(processEventsUntil([&] { return library.group(group.id).has_value(); }));

    stamp = agent.changeStamp();
    agent.deleteGroup(group.id);
    EXPECT_NE(agent.changeStamp(), stamp) << "a deleted group moves the change stamp";
    ASSERT_TRUE(processEventsUntil([&] { return !library.group(group.id).has_value(); }));
}

} // namespace

#include "LibrarySaveAnnouncementTest.moc"
