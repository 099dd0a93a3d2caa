#include "board/CaptureListWindow.h"
#include "board/Library.h"
#include "capture/CaptureController.h"
#include "platform/ScreenCapturer.h"
#include "platform/ShutterSound.h"
#include "shell/PermissionsService.h"
#include "shell/Preferences.h"
#include "shell/SingleInstance.h"
#include "shell/TrayIcon.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QApplication>
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

    Library library(*store);
    const std::unique_ptr<ScreenCapturer> capturer = ScreenCapturer::forPlatform();
    ShutterSound sound;
    CaptureController capture(library, Preferences::shared(), PermissionsService::shared(), *capturer, {});
    capture.setSound(&sound);

    CaptureListWindow board(*store);
    auto showBoard = [&board] {
        board.show();
        board.raise();
        board.activateWindow();
    };
    QObject::connect(&capture, &CaptureController::dashboardRequested, &board, showBoard);
    // Returns whether the arguments named a capture.
    auto runCommand = [&capture](const QStringList& arguments) {
        if (arguments.contains(QLatin1String("--capture-region")))
            capture.beginRegion();
        else if (arguments.contains(QLatin1String("--capture-screen")))
            capture.beginFullScreen();
        else if (arguments.contains(QLatin1String("--new-issue")))
            capture.beginNoteOnly();
        else
            return false;
        return true;
    };
    QObject::connect(&instance, &SingleInstance::commandReceived, &board, [&](const QStringList& arguments) {
        if (!runCommand(arguments))
            showBoard();
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
    if (!runCommand(QApplication::arguments().mid(1)))
        showBoard();
    return QApplication::exec();
}
