#pragma once

#include "AppActions.h"
#include "shortcuts/HotkeyManager.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class EditUndoCommand;
struct CaptureImage;
class LibraryHealthMonitor;
class Account;
class AgentNotices;
class DesktopNotifier;
class AnnotationEditorWindowController;
class AppPalette;
class CaptureController;
class ContextCollector;
class GlobalShortcuts;
class CaptureStore;
class Library;
class PermissionsService;
class ScreenCapturer;
class ScreenFocus;
class ScreenshotTextRunner;
class ShutterSound;
class Preferences;
class TrayIcon;
class WindowFinder;
class QDBusServiceWatcher;
class CaptureCountdown;
class QWidget;

// The application's root object. Opens the library at launch (or reports
// why it can't), owns the view models, the capture flow, the shortcuts, the
// tray and the three top-level windows, and routes every command.
class AppShell : public QObject {
    Q_OBJECT
public:
    // Names the application; call once the QApplication exists.
    static void configureApplication();

    explicit AppShell(QObject* parent = nullptr);
    ~AppShell() override;

    // Opens the library and brings up the app. False when the library
    // could not be opened; the alert was shown and the app should exit.
    bool launch();
    // Started at login ("--background"): launch opens no window, the tray waits.
    void startInBackground() { startsInBackground_ = true; }

    // A command line, from this process or forwarded by a later one.
    void handleCommand(const QStringList& arguments);

    void captureRegion();
    // From a shortcut or a forwarded command: a second press within 350 ms files a note instead.
    void captureFullScreen();
    void captureWindow();
    void newIssue();
    void showDashboard();
    // A zorvi://capture/ link's id (whole, or the short id): its detail on the board.
    void openCapture(const QString& quotedID);
    void showSettings();
    void showOnboarding();
    void syncNow();
    void openAccountSettings();
    void presentMarkupEditor(const QString& imageID);

    AppActions& actions() { return actions_; }
    Account* account() { return account_.get(); }

private:
    void presentFatal(const QString& description);
    void connectActions();
    void observeNotifications();
    void setUpTray();
    void updateStatusMenu();
    // The keys a menu shows for a shortcut: none where pressing them does nothing.
    QString shownShortcut(HotkeyManager::Action action) const;
    // Shows a window kept in `slot`, creating it with `create` when there is none.
    void present(QPointer<QWidget>& slot, const std::function<QWidget*()>& create);

    std::unique_ptr<AppPalette> palette_;
    Preferences& preferences_;
    PermissionsService& permissions_;
    AppActions actions_;

    std::unique_ptr<CaptureStore> store_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<EditUndoCommand> editUndo_;
    std::unique_ptr<LibraryHealthMonitor> healthMonitor_;
    std::unique_ptr<ScreenshotTextRunner> screenshotText_;
    std::unique_ptr<Account> account_;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<AgentNotices> notices_;
    std::unique_ptr<ScreenCapturer> screenCapturer_;
    std::unique_ptr<ShutterSound> shutterSound_;
    std::unique_ptr<ContextCollector> contextCollector_;
    std::unique_ptr<WindowFinder> windowFinder_;
    std::unique_ptr<ScreenFocus> screenFocus_;
    std::unique_ptr<CaptureController> captureController_;
    std::unique_ptr<GlobalShortcuts> shortcuts_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<AnnotationEditorWindowController> markupEditor_;

    bool startsInBackground_ = false;
    QDBusServiceWatcher* trayHostWatcher_ = nullptr;
    QPointer<QWidget> dashboardWindow_;
    QPointer<QWidget> settingsWindow_;
    QPointer<QWidget> onboardingWindow_;
    // Timed captures (--delay): the seconds left also show in the tray.
    CaptureCountdown* countdown_ = nullptr;
};
