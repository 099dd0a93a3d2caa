#include "board/CaptureListWindow.h"
#include "shell/Preferences.h"
#include "shell/SingleInstance.h"
#include "shell/TrayIcon.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/ShortcutSettingsWindow.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

#include <memory>
#include <system_error>

namespace {

std::unique_ptr<CaptureStore> openLibrary() {
    try {
        return std::make_unique<CaptureStore>(ZorviPaths::databaseURL());
    } catch (const ZorviError& e) {
        QMessageBox::critical(nullptr, QObject::tr("Zorvi can't open its library"),
                              e.description() + "\n\n" + ZorviPaths::support());
    } catch (const std::system_error& e) {
        QMessageBox::critical(nullptr, QObject::tr("Zorvi can't open its library"),
                              QString::fromLocal8Bit(e.what()) + "\n\n" + ZorviPaths::support());
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvi");
    QApplication::setOrganizationName("Zorvi");
    QApplication::setDesktopFileName("dev.zorvi.Zorvi");
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (instance.forwardToRunningInstance(QApplication::arguments().mid(1)))
        return 0;
    instance.listen();

    ZorviPaths::ensureDirectories();
    const std::unique_ptr<CaptureStore> store = openLibrary();
    if (!store)
        return 1;

    CaptureListWindow board(*store);
    auto showBoard = [&board] {
        board.show();
        board.raise();
        board.activateWindow();
    };
    // Forwarded command lines and the global shortcuts take the same way in.
    auto dispatch = [&](const QStringList& /*arguments*/) { showBoard(); };
    QObject::connect(&instance, &SingleInstance::commandReceived, &board, dispatch);

    GlobalShortcuts shortcuts(
        Preferences::shared(), [&] { dispatch({QStringLiteral("--capture-region")}); },
        [&] { dispatch({QStringLiteral("--capture-screen")}); });
    std::unique_ptr<ShortcutSettingsWindow> shortcutSettings;
    QAction* showShortcuts =
        board.menuBar()->addMenu(QObject::tr("&Settings"))->addAction(QObject::tr("Shortcuts\u2026"));
    showShortcuts->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    QObject::connect(showShortcuts, &QAction::triggered, &board, [&] {
        if (!shortcutSettings)
            shortcutSettings = std::make_unique<ShortcutSettingsWindow>(shortcuts, Preferences::shared());
        shortcutSettings->show();
        shortcutSettings->raise();
        shortcutSettings->activateWindow();
    });

    std::unique_ptr<TrayIcon> tray;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray = std::make_unique<TrayIcon>();
        QObject::connect(tray.get(), &TrayIcon::showDashboardRequested, &board, showBoard);
        QObject::connect(tray.get(), &TrayIcon::quitRequested, &app, &QApplication::quit);
        tray->show();
    } else {
        // Without a tray, closing the board is the only way to leave.
        QApplication::setQuitOnLastWindowClosed(true);
    }
    showBoard();
    return QApplication::exec();
}
