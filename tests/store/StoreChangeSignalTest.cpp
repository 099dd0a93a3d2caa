#include "StoreFixture.h"

#include "store/StoreChangeSignal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QThread>

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
    // Delivery is asynchronous: wait up to five seconds for the expected count.
    auto waitFor = [&](int expected) {
        QElapsedTimer clock;
        clock.start();
        while (counter.count < expected && clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        return counter.count;
    };

    Capture c = newCapture();
    store->insert(c);
    EXPECT_EQ(waitFor(1), 1);
    store->setTags({"a"}, c.id);
    EXPECT_EQ(waitFor(2), 2);

    // A failed write announces nothing.
    store->db().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON activity BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_THROW(store->insert(newCapture()), DatabaseError);
    store->setTags({"b"}, c.id);
    EXPECT_EQ(waitFor(3), 3);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(counter.count, 3) << "the failed insert posted nothing";
}

} // namespace

#include "StoreChangeSignalTest.moc"
