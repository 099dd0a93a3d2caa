#include "AppShell.h"

#include "shell/EditUndoCommand.h"
#include "store/OrphanFileSweep.h"
#include "shell/LibraryDamageNotice.h"
#include "shell/LibraryHealthMonitor.h"

#include "AgentNotices.h"
#include "ui/AppNotifications.h"
#include "ui/AppPalette.h"
#include "platform/PermissionsService.h"
#include "settings/Preferences.h"
#include "OnboardingWindow.h"
#include "SettingsWindow.h"
#include "ShortcutSettingsPage.h"
#include "TrayIcon.h"
#include "CommandLine.h"

#include "account/Account.h"
#include "capture/CaptureCountdown.h"
#include "account/AccountView.h"
#include "board/BoardView.h"
#include "board/DashboardViewModel.h"
#include "board/DashboardWindow.h"
#include "ui/Theme.h"
#include "board/ThumbnailLoader.h"
#include "library/Library.h"
#include "capture/CaptureController.h"
#include "shell/CaptureAlerts.h"
#include "capture/ContextCollector.h"
#include "common/CaptureLink.h"
#include "common/ZorviError.h"
#include "platform/DesktopNotifier.h"
#include "platform/Platform.h"
#include "platform/ScreenCapturer.h"
#include "platform/ScreenFocus.h"
#include "platform/ShutterSound.h"
#include "platform/WindowFinder.h"
#include "markup/AnnotationEditorWindowController.h"
#include "ocr/ScreenshotTextRunner.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/ShortcutSettingsPanel.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QThreadPool>
#include <QStatusBar>
#include <QTimer>

#include <system_error>

void AppShell::configureApplication() {
    QApplication::setApplicationName("Zorvi");
    QApplication::setOrganizationName("Zorvi");
    QApplication::setApplicationVersion(QStringLiteral(ZORVI_VERSION));
    QApplication::setDesktopFileName(ZorviPaths::desktopAppId);
    QApplication::setWindowIcon(QIcon::fromTheme(ZorviPaths::desktopAppId, QIcon(":/appicon/zorvi.svg")));
    // The app lives in the tray; only Quit ends it.
    QApplication::setQuitOnLastWindowClosed(false);
}

AppShell::AppShell(QObject* parent)
    : QObject(parent), palette_(std::make_unique<AppPalette>()), preferences_(Preferences::shared()),
      permissions_(PermissionsService::shared()), markupEditor_(std::make_unique<AnnotationEditorWindowController>()),
      countdown_(new CaptureCountdown(this)) {
    connectActions();
    Theme::shared().setForcedDark(forcedDark(preferences_.appearance()));
    connect(&preferences_, &Preferences::appearanceChanged, this,
            [](Appearance appearance) { Theme::shared().setForcedDark(forcedDark(appearance)); });
    connect(countdown_, &CaptureCountdown::remainingChanged, this, [this](int seconds) {
        if (!tray_)
            return;
        if (seconds > 0)
            tray_->setToolTip(tr("Zorvi: capturing in %n s", nullptr, seconds));
        else
            updateStatusMenu();
    });
}

AppShell::~AppShell() {
    // Windows go before the view models they observe.
    delete dashboardWindow_;
    delete settingsWindow_;
    delete onboardingWindow_;
}

bool AppShell::launch() {
    ZorviPaths::ensureDirectories();
    try {
        ZorviPaths::migrateLegacyLibraryIfNeeded();
        store_ = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    } catch (const ZorviError& e) {
        presentFatal(e.description());
        return false;
    } catch (const std::system_error& e) {
        presentFatal(QString::fromLocal8Bit(e.what()));
        return false;
    }

    // Files kept for an Undo the app outlived, and a crashed note box's screenshots.
    try {
        store_->sweepFilesOfDeleted();
    } catch (const ZorviError&) {
    }
    QThreadPool::globalInstance()->start([path = store_->databasePath()] { OrphanFileSweep::run(path); });
    library_ = std::make_unique<Library>(*store_);
    editUndo_ = std::make_unique<EditUndoCommand>(*actions_.undo, library_->undoHistory());
    healthMonitor_ = std::make_unique<LibraryHealthMonitor>(store_->databasePath());
    connect(healthMonitor_.get(), &LibraryHealthMonitor::damaged, this, &LibraryDamageNotice::show);
    library_->setThumbnailEviction([](const QString& path) { ThumbnailLoader::shared().evict(path); });
    screenshotText_ = std::make_unique<ScreenshotTextRunner>(*library_);
    account_ = std::make_unique<Account>(*store_);
    library_->setLocalChangeHandler([account = QPointer<Account>(account_.get())] {
        if (account)
            account->noteLocalChange();
    });
    notifier_ = DesktopNotifier::forSession();
    notices_ = std::make_unique<AgentNotices>(*library_, account_.get(), preferences_, *notifier_);
    connect(notices_.get(), &AgentNotices::captureRequested, this, &AppShell::openCapture);
    connect(notices_.get(), &AgentNotices::accountRequested, this, &AppShell::openAccountSettings);
    screenCapturer_ = Platform::current().screenCapturer();
    shutterSound_ = std::make_unique<ShutterSound>();
    contextCollector_ = std::make_unique<ContextCollector>();
    captureController_ = std::make_unique<CaptureController>(
        *library_, preferences_, permissions_, *screenCapturer_,
        [collector = contextCollector_.get()] { return collector->snapshot(); });
    captureController_->setSound(shutterSound_.get());
    new CaptureAlerts(*captureController_, captureController_.get());
    screenFocus_ = Platform::current().screenFocus();
    captureController_->setScreenFocus(screenFocus_.get());
    windowFinder_ = Platform::current().windowFinder();
    captureController_->setWindowFinder(windowFinder_.get(), [collector = contextCollector_.get()](
                                                                 const ActiveWindow& window) {
        return collector->snapshotOf(window);
    });
    captureController_->setMarkupEditor(
        [editor = markupEditor_.get()](const QImage& original, const Annotation& initial, auto trySave,
                                       auto onCancel) {
            editor->presentImage(original, initial, std::move(trySave), std::move(onCancel));
        },
        [editor = markupEditor_.get()] { return editor->window() != nullptr; });
    connect(captureController_.get(), &CaptureController::dashboardRequested, this, &AppShell::showDashboard);

    observeNotifications();
    shortcuts_ = std::make_unique<GlobalShortcuts>(
        preferences_, Platform::current().shortcutService(), [this] { captureRegion(); },
        [this] { captureFullScreen(); });
    connect(library_.get(), &Library::changed, this, &AppShell::updateStatusMenu);
    connect(shortcuts_.get(), &GlobalShortcuts::worksChanged, this, &AppShell::updateStatusMenu);
    connect(account_.get(), &Account::changed, this, &AppShell::updateStatusMenu);
    connect(&preferences_, &Preferences::regionHotkeyChanged, this, &AppShell::updateStatusMenu);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, &AppShell::updateStatusMenu);
    const auto showShortcuts = [this] {
        actions_.showGlobalShortcuts(shownShortcut(HotkeyManager::Action::region),
                                     shownShortcut(HotkeyManager::Action::fullScreen));
    };
    showShortcuts();
    connect(&preferences_, &Preferences::regionHotkeyChanged, this, showShortcuts);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, this, showShortcuts);
    connect(shortcuts_.get(), &GlobalShortcuts::worksChanged, this, showShortcuts);
    setUpTray();
    // The tray follows its setting at once.
    connect(&preferences_, &Preferences::showTrayIconChanged, this, [this](bool show) {
        if (show)
            setUpTray();
        else
            tray_.reset();
    });

    if (startsInBackground_)
        return true;
    if (preferences_.hasCompletedOnboarding())
        showDashboard();
    else
        showOnboarding();
    return true;
}

void AppShell::presentFatal(const QString& description) {
    const QString title = tr("Zorvi can't open its library");
    QMessageBox alert(QMessageBox::Critical, title, title);
    alert.setInformativeText(description + "\n\n" + tr("Library location: ") + ZorviPaths::support());
    alert.addButton(tr("Quit"), QMessageBox::AcceptRole);
    alert.exec();
}

void AppShell::handleCommand(const QStringList& arguments) {
    for (const QString& argument : arguments)
        if (const std::optional<QString> id = CaptureLink::captureID(argument)) {
            openCapture(*id);
            return;
        }
    const int delay = CommandLine::delaySeconds(arguments).value_or(0);
    if (arguments.contains("--capture-region"))
        countdown_->start(delay, [this] { captureRegion(); });
    else if (arguments.contains("--capture-screen"))
        countdown_->start(delay, [this] { captureFullScreen(); });
    else if (arguments.contains("--capture-window"))
        countdown_->start(delay, [this] { captureWindow(); });
    else if (arguments.contains("--new-issue"))
        newIssue();
    else if (arguments.contains("--settings"))
        showSettings();
    else if (arguments.contains("--background"))
        return; // already running, in the tray
    else
        showDashboard(); // "--dashboard", or a plain second start
}

void AppShell::connectActions() {
    connect(actions_.about, &QAction::triggered, this, [] {
        QMessageBox::about(nullptr, tr("About Zorvi"),
                           tr("<b>Zorvi</b> %1<br>Capture a bug on screen and hand it to a coding agent.")
                               .arg(QApplication::applicationVersion()));
    });
    connect(actions_.settings, &QAction::triggered, this, &AppShell::showSettings);
    connect(actions_.showOnboarding, &QAction::triggered, this, &AppShell::showOnboarding);
    connect(actions_.quit, &QAction::triggered, qApp, &QApplication::quit);
    connect(actions_.captureRegion, &QAction::triggered, this, &AppShell::captureRegion);
    // The menu never waits for a second press.
    connect(actions_.captureFullScreen, &QAction::triggered, this, [this] {
        if (captureController_)
            captureController_->beginFullScreen(false);
    });
    connect(actions_.captureWindow, &QAction::triggered, this, &AppShell::captureWindow);
    for (QAction* delayed : actions_.delayedRegion)
        connect(delayed, &QAction::triggered, this,
                [this, delayed] { countdown_->start(delayed->data().toInt(), [this] { captureRegion(); }); });
    connect(actions_.newIssue, &QAction::triggered, this, &AppShell::newIssue);
    connect(actions_.dashboard, &QAction::triggered, this, &AppShell::showDashboard);
    connect(actions_.syncNow, &QAction::triggered, this, &AppShell::syncNow);
    connect(actions_.accountSettings, &QAction::triggered, this, &AppShell::openAccountSettings);
}

void AppShell::observeNotifications() {
    AppNotifications& n = AppNotifications::shared();
    connect(&n, &AppNotifications::onboardingRequested, this, &AppShell::showOnboarding);
    connect(&n, &AppNotifications::annotationRequested, this, &AppShell::presentMarkupEditor);
    connect(&n, &AppNotifications::screenshotRequested, this, [this](const QString& captureID) {
        if (captureController_)
            captureController_->addScreenshot(captureID);
    });
}

void AppShell::setUpTray() {
    if (tray_ || !preferences_.showTrayIcon())
        return;
    // At login the desktop's tray host may start after Zorvi: the entry comes
    // up as soon as it does. Qt settles on its tray backend the first time it
    // is asked, so it is asked only once the host is there.
    const QString host = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(host)) {
        if (!trayHostWatcher_) {
            trayHostWatcher_ = new QDBusServiceWatcher(host, QDBusConnection::sessionBus(),
                                                       QDBusServiceWatcher::WatchForRegistration, this);
            connect(trayHostWatcher_, &QDBusServiceWatcher::serviceRegistered, this, &AppShell::setUpTray);
        }
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    tray_ = std::make_unique<TrayIcon>(actions_);
    connect(tray_.get(), &TrayIcon::showDashboardRequested, this, &AppShell::showDashboard);
    updateStatusMenu();
    tray_->show();
}

void AppShell::updateStatusMenu() {
    if (!tray_)
        return;
    using StatusMenuTitles::SyncState;
    const SyncStatus::Kind kind = account_->status().kind;
    const SyncState state = kind == SyncStatus::Kind::signedOut        ? SyncState::signedOut
                            : kind == SyncStatus::Kind::sessionExpired ? SyncState::sessionExpired
                                                                       : SyncState::signedIn;
    const auto sync = StatusMenuTitles::syncLine(state, account_->statusLine());
    tray_->update(shownShortcut(HotkeyManager::Action::region), shownShortcut(HotkeyManager::Action::fullScreen),
                  library_->openCount(), sync);
}

QString AppShell::shownShortcut(HotkeyManager::Action action) const {
    // A menu names only keys that do something when pressed.
    if (!shortcuts_->works(action))
        return {};
    const HotkeyBinding binding = action == HotkeyManager::Action::region ? preferences_.regionHotkey()
                                                                          : preferences_.fullScreenHotkey();
    return binding.displayString();
}

void AppShell::present(QPointer<QWidget>& slot, const std::function<QWidget*()>& create) {
    if (!slot) {
        slot = create();
        // Dropped on close, so the next request builds a fresh window.
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (slot->isMinimized())
        slot->showNormal();
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void AppShell::showDashboard() {
    present(dashboardWindow_, [this] {
        auto* window = new DashboardWindow(*library_);
        actions_.fillMenuBar(window->menuBar());
        BoardView* board = window->boardView();
        board->setShortcutWorks(shortcuts_->works(HotkeyManager::Action::region));
        connect(shortcuts_.get(), &GlobalShortcuts::worksChanged, board,
                [this, board] { board->setShortcutWorks(shortcuts_->works(HotkeyManager::Action::region)); });
        connect(board, &BoardView::shortcutSettingsRequested, this, [this] {
            showSettings();
            if (auto* settings = qobject_cast<SettingsWindow*>(settingsWindow_.data()))
                settings->selectTab(SettingsWindow::Tab::shortcuts);
        });
        return window;
    });
}

void AppShell::openCapture(const QString& quotedID) {
    showDashboard();
    auto* window = qobject_cast<DashboardWindow*>(dashboardWindow_.data());
    if (!window)
        return;
    std::optional<QString> id;
    try {
        id = store_->quotedCaptureID(quotedID);
    } catch (const ZorviError&) {
    }
    if (id && library_->capture(*id))
        window->board().select(*id);
    else
        window->statusBar()->showMessage(tr("No capture matches %1: it may have been deleted.").arg(quotedID));
}

void AppShell::showSettings() {
    present(settingsWindow_, [this] {
        auto* window = new SettingsWindow(preferences_, permissions_, *library_, actions_);
        window->setPage(SettingsWindow::Tab::account, new AccountView(*account_));
        window->setPage(SettingsWindow::Tab::shortcuts, new ShortcutSettingsPage(*shortcuts_, preferences_));
        return window;
    });
}

void AppShell::showOnboarding() {
    present(onboardingWindow_, [this] {
        auto finish = [this] {
            preferences_.setHasCompletedOnboarding(true);
            if (onboardingWindow_)
                onboardingWindow_->close();
            showDashboard();
        };
        // Out of the way first, so the capture sees the desktop behind it. The
        // guide comes back when the flow is over; a capture filed finishes it.
        auto tryCapture = [this] {
            if (onboardingWindow_)
                onboardingWindow_->showMinimized();
            auto saved = std::make_shared<bool>(false);
            const auto onSaved = connect(captureController_.get(), &CaptureController::captureSaved, this,
                                         [saved] { *saved = true; });
            const auto guideBack = [this, saved, onSaved] {
                disconnect(onSaved);
                if (*saved)
                    preferences_.setHasCompletedOnboarding(true);
                if (onboardingWindow_)
                    present(onboardingWindow_, {});
            };
            const auto onEnded = connect(captureController_.get(), &CaptureController::flowEnded, this, guideBack,
                                         Qt::SingleShotConnection);
            QTimer::singleShot(350, this, [this, guideBack, onEnded] {
                captureRegion();
                // No flow started (no screen access): nothing will end it.
                if (!captureController_->isCapturing() && !captureController_->isComposing()) {
                    disconnect(onEnded);
                    guideBack();
                }
            });
        };
        auto* window = new OnboardingWindow(preferences_, permissions_, actions_, finish, tryCapture);
        window->setShortcutRecorders(new ShortcutSettingsPanel(*shortcuts_, preferences_));
        window->setShortcutsWork(shortcuts_->works(HotkeyManager::Action::region));
        connect(shortcuts_.get(), &GlobalShortcuts::worksChanged, window,
                [this, window] { window->setShortcutsWork(shortcuts_->works(HotkeyManager::Action::region)); });
        return window;
    });
}

void AppShell::captureRegion() {
    if (captureController_)
        captureController_->beginRegion();
}

void AppShell::captureFullScreen() {
    if (captureController_)
        captureController_->beginFullScreen(true);
}

void AppShell::captureWindow() {
    if (captureController_)
        captureController_->beginWindow();
}

void AppShell::newIssue() {
    if (captureController_)
        captureController_->beginNoteOnly();
}

void AppShell::syncNow() {
    if (account_)
        account_->syncNow();
}

void AppShell::openAccountSettings() {
    showSettings();
    AppNotifications::shared().requestAccountTab();
}

// Opens the markup editor on a stored image; an unknown id does nothing.
void AppShell::presentMarkupEditor(const QString& imageID) {
    if (!library_)
        return;
    const auto read = [this, imageID]() -> std::optional<CaptureImage> {
        try {
            return store_->image(imageID);
        } catch (const ZorviError& e) {
            QMessageBox::warning(nullptr, tr("Zorvi"), e.description());
            return std::nullopt;
        }
    };
    const std::optional<CaptureImage> image = read();
    if (!image)
        return;
    // The row is read again on save: sync or another window may have changed
    // it while the editor was open, and a deleted image takes no marks.
    markupEditor_->present(*image, [this, read](const Annotation& annotation) -> std::optional<QString> {
        const std::optional<CaptureImage> current = read();
        if (!current || library_->saveAnnotation(annotation, *current))
            return std::nullopt;
        return library_->loadError().value_or(tr("The marks couldn't be saved."));
    });
}
