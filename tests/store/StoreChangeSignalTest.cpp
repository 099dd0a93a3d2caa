#include "StoreFixture.h"

#include "store/StoreChangeSignal.h"
#include "support/QtEventLoop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace {

// Counts didChange signals arriving over the real session bus.
class SignalCounter : public QObject {
    Q_OBJECT
public:
    int count = 0;
public slots:
    void received() { ++count; }
};

TEST_F(StoreFixture, EveryCompletedChangeIsAnnouncedOnTheSessionBus) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the test runs on its own session bus";
    SignalCounter counter;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                                      StoreChangeSignal::member, &counter, SLOT(received())));
    auto waitFor = [&](int expected) {
        processEventsUntil([&] { return counter.count >= expected; });
        return counter.count;
    };

    Capture c = newCapture();
    store->insert(c);
    EXPECT_EQ(waitFor(1), 1);
    store->setTags({"a"}, c.id);
    EXPECT_EQ(waitFor(2), 2);

    // A failed write announces nothing.
    sql().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON activity BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_THROW(store->insert(newCapture()), DatabaseError);
    store->setTags({"b"}, c.id);
    EXPECT_EQ(waitFor(3), 3);
    // A round trip to the bus comes back after every signal sent before it.
    QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.DBus");
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 3) << "the failed insert posted nothing";
}

} // namespace

#include "StoreChangeSignalTest.moc"
