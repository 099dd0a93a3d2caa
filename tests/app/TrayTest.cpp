#include "support/QtEventLoop.h"
#include "support/StatusNotifierWatcherStandIn.h"
#include "support/TempDir.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QDBusMessage callAndWait(const QDBusMessage& call) {
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call);
    processEventsUntil([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
}

// Every label in a dbusmenu layout node (id, properties, children) and below it.
void collectLabels(const QDBusArgument& node, QStringList& labels) {
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    if (properties.contains("label"))
        labels << properties.value("label").toString();
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        collectLabels(child.variant().value<QDBusArgument>(), labels);
    }
    node.endArray();
    node.endStructure();
}

// The item's menu as the desktop's tray reads it over the bus.
QStringList menuLabels(const QString& item) {
    const qsizetype slash = item.indexOf(u'/');
    const QString service = item.left(slash);
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, item.mid(slash), "org.freedesktop.DBus.Properties", "Get");
    get << QString("org.kde.StatusNotifierItem") << QString("Menu");
    const QDBusMessage menu = callAndWait(get);
    if (menu.type() != QDBusMessage::ReplyMessage)
        return {};
    const QString menuPath = menu.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    QDBusMessage layout = QDBusMessage::createMethodCall(service, menuPath, "com.canonical.dbusmenu", "GetLayout");
    layout << 0 << -1 << QStringList{"label"};
    const QDBusMessage reply = callAndWait(layout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return {};
    QStringList labels;
    collectLabels(reply.arguments().at(1).value<QDBusArgument>(), labels);
    return labels;
}

TEST(Tray, EntryIsAStatusNotifierItemWhoseMenuTitlesFollowTheLibrary) {
    ensureQtApplication();
    StatusNotifierWatcherStandIn watcher;
    ASSERT_TRUE(watcher.isServing());
    TempDir home;
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZORVI_HOME", home.path() + "/library");
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    app.setProcessEnvironment(env);
    app.start(ZORVI_APP_BINARY, QStringList());
    ASSERT_TRUE(app.waitForStarted());

    ASSERT_TRUE(processEventsUntil([&] { return !watcher.items().isEmpty(); }, 10000))
        << "the tray entry registers with the desktop's tray";
    const QString item = watcher.items().front();
    QStringList labels;
    ASSERT_TRUE(processEventsUntil([&] { return (labels = menuLabels(item)).contains("Open Dashboard"); }, 10000))
        << labels.join(" | ").toStdString();
    EXPECT_TRUE(labels.contains("Capture Region  Alt+Shift+2")) << labels.join(" | ").toStdString();
    EXPECT_TRUE(labels.contains("New Issue Without Screenshot  Alt+Shift+2 Alt+Shift+2"));
    EXPECT_TRUE(labels.contains("Sign in to sync…"));

    // Another writer (an agent's zorvi-mcp, say) files a capture: the menu counts it.
    {
        CaptureStore store(home.path() + "/library/zorvi.sqlite");
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = "Filed from elsewhere";
        c.captureMode = CaptureMode::text;
        store.insert(c);
    }
    EXPECT_TRUE(processEventsUntil([&] { return (labels = menuLabels(item)).contains("Open Dashboard  (1)"); }, 10000))
        << labels.join(" | ").toStdString();

    app.terminate();
    app.waitForFinished();
}

// Started at login, before the desktop's tray host: no window opens, and the
// tray entry registers once the host arrives.
TEST(Tray, ALoginStartWaitsInTheTrayAndTheEntryComesUpWhenTheHostStartsLate) {
    ensureQtApplication();
    TempDir home;
    QDir().mkpath(home.path() + "/config/Zorvi");
    QFile config(home.path() + "/config/Zorvi/Zorvi.conf");
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("[General]\nonboarding.completed=true\n");
    config.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZORVI_HOME", home.path() + "/library");
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(ZORVI_APP_BINARY, {"--background"});
    ASSERT_TRUE(app.waitForStarted());
    ASSERT_TRUE(processEventsUntil([&] { return QFileInfo::exists(home.path() + "/library/zorvi.sqlite"); }, 10000));
    StatusNotifierWatcherStandIn watcher;
    ASSERT_TRUE(watcher.isServing());
    EXPECT_TRUE(processEventsUntil([&] { return !watcher.items().isEmpty(); }, 10000))
        << "the tray entry registers with the late tray host";
    EXPECT_EQ(QProcess::execute("xdotool", {"search", "--onlyvisible", "--name", "^Zorvi$"}), 1)
        << "a login start opens no board";
    app.terminate();
    app.waitForFinished();
}

} // namespace
