// Global shortcuts on KDE Plasma: bound through KDE's real GlobalShortcuts
// portal into KWin's own shortcut registry (kglobalaccel), and fired the way
// KDE fires a shortcut.
#include "platform/wayland/WaylandPlatform.h"
#include "settings/Preferences.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/HotkeyRecorderView.h"
#include "shortcuts/ShortcutSettingsPanel.h"
#include "support/OffscreenGui.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

const QString kglobalaccel = QStringLiteral("org.kde.kglobalaccel");

// The kglobalaccel components that hold a shortcut named `name`.
QStringList componentsHolding(const QString& name) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusReply<QList<QDBusObjectPath>> components = bus.call(QDBusMessage::createMethodCall(
        kglobalaccel, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"),
        QStringLiteral("allComponents")));
    QStringList holding;
    for (const QDBusObjectPath& component : components.value()) {
        const QDBusReply<QStringList> names = bus.call(QDBusMessage::createMethodCall(
            kglobalaccel, component.path(), QStringLiteral("org.kde.kglobalaccel.Component"),
            QStringLiteral("shortcutNames")));
        if (names.value().contains(name))
            holding << component.path();
    }
    return holding;
}

// What KDE does when the shortcut's keys are pressed.
bool invoke(const QString& component, const QString& name) {
    QDBusMessage call = QDBusMessage::createMethodCall(kglobalaccel, component,
                                                       QStringLiteral("org.kde.kglobalaccel.Component"),
                                                       QStringLiteral("invokeShortcut"));
    call << name;
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

TEST(KdeShortcuts, BoundOnceThroughKdesPortalAndFiredByKWin) {
    if (qEnvironmentVariableIsSet("ZORVI_KWIN_MISSING"))
        GTEST_SKIP() << "no KDE session here: " << qgetenv("ZORVI_KWIN_MISSING").toStdString();
    ensureWidgetApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral("dev.zorvi.Zorvi"));
    TempDir dir;
    Preferences preferences{dir.file("Zorvi.conf"), dir.file("Kestad.conf")};
    int regions = 0;
    int fullScreens = 0;
    GlobalShortcuts shortcuts(
        preferences, WaylandPlatform().shortcutService(), [&] { ++regions; }, [&] { ++fullScreens; });
    ASSERT_EQ(shortcuts.mechanism(), GlobalShortcuts::Mechanism::portal) << "KDE's portal offers GlobalShortcuts";

    ASSERT_TRUE(processEventsUntil(
        [] { return componentsHolding("region").size() == 1 && componentsHolding("fullScreen").size() == 1; },
        15000))
        << "KWin never received the shortcuts";
    const QString component = componentsHolding("region").front();
    EXPECT_EQ(componentsHolding("fullScreen").front(), component);

    ASSERT_TRUE(invoke(component, "region"));
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }, 10000)) << "KWin's press never arrived";
    ASSERT_TRUE(invoke(component, "fullScreen"));
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 1; }, 10000));

    // The recorder coming and going binds nothing again: still the one
    // component, and its shortcuts still fire.
    ShortcutSettingsPanel page(shortcuts, preferences);
    for (int i = 0; i < 3; ++i) {
        page.regionRecorder().toggleRecording();
        deliverPostedEvents();
        page.regionRecorder().toggleRecording();
        deliverPostedEvents();
    }
    ASSERT_TRUE(invoke(component, "region"));
    ASSERT_TRUE(processEventsUntil([&] { return regions == 2; }, 10000));
    EXPECT_EQ(componentsHolding("region"), QStringList{component});
    EXPECT_TRUE(shortcuts.manager().conflicts().isEmpty());
    EXPECT_EQ(shortcuts.manager().bindFailure(), HotkeyRegistrar::DesktopAnswer::Failure::none);
    EXPECT_FALSE(page.findChild<QLabel*>(QStringLiteral("shortcutNotice"))->isVisibleTo(&page));
}

} // namespace
