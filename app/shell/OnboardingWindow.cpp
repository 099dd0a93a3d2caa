#include "OnboardingWindow.h"

#include "AppActions.h"
#include "ui/KeyCaps.h"
#include "platform/DesktopKind.h"
#include "platform/PermissionTexts.h"
#include "platform/PermissionsService.h"
#include "settings/Preferences.h"
#include "ui/SymbolIcons.h"
#include "ui/WindowGeometry.h"

#include "agents/MCPConnectionList.h"
#include "platform/Platform.h"
#include "ui/Labels.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// An icon beside a bold heading and a line under it.
QWidget* feature(const QString& symbol, const QString& heading, const QString& text) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(Labels::symbol(symbol, 28), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->addWidget(Labels::strong(heading));
    column->addWidget(Labels::secondary(text));
    layout->addLayout(column, 1);
    return row;
}

QWidget* page(const QList<QWidget*>& widgets) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(32, 24, 32, 16);
    layout->setSpacing(10);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch(1);
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

QColor green() { return QColor(0x2e, 0xa0, 0x43); }

} // namespace

const QStringList& OnboardingWindow::stepTitles() {
    static const QStringList titles = {tr("Welcome"), tr("Permission"), tr("Shortcuts"), tr("Your agent"),
                                       tr("Ready")};
    return titles;
}

OnboardingWindow::OnboardingWindow(Preferences& preferences, PermissionsService& permissions,
                                   const AppActions& actions, std::function<void()> onFinish,
                                   std::function<void()> onTryCapture, QWidget* parent)
    : QWidget(parent), preferences_(preferences), permissions_(permissions), onFinish_(std::move(onFinish)),
      onTryCapture_(std::move(onTryCapture)), pages_(new QStackedWidget), back_(new QPushButton(tr("Back"))),
      skip_(new QPushButton(tr("Skip"))), next_(new QPushButton) {
    setWindowTitle(tr("Welcome to Zorvi"));
    setObjectName("onboardingWindow");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 12);

    auto* progress = new QHBoxLayout;
    progress->setContentsMargins(24, 0, 24, 0);
    for (int i = 0; i < stepTitles().size(); ++i) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("progress%1").arg(i));
        progress_.append(label);
        progress->addWidget(label, 1, Qt::AlignCenter);
    }
    layout->addLayout(progress);

    pages_->addWidget(makeWelcome());
    pages_->addWidget(makePermission());
    pages_->addWidget(makeShortcuts());
    pages_->addWidget(makeAgent());
    pages_->addWidget(makeReady());
    layout->addWidget(pages_, 1);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(24, 0, 24, 0);
    back_->setObjectName("back");
    skip_->setObjectName("skip");
    next_->setObjectName("next");
    next_->setDefault(true);
    footer->addWidget(back_);
    footer->addStretch(1);
    footer->addWidget(skip_);
    footer->addWidget(next_);
    layout->addLayout(footer);
    connect(back_, &QPushButton::clicked, this, [this] { setStep(step_ - 1); });
    connect(skip_, &QPushButton::clicked, this, [this] { setStep(step_ + 1); });
    connect(next_, &QPushButton::clicked, this, [this] {
        if (step_ == ready) {
            if (onFinish_)
                onFinish_();
        } else {
            setStep(step_ + 1);
        }
    });
    connect(&permissions_, &PermissionsService::canCaptureScreenChanged, this,
            &OnboardingWindow::showProgressAndFooter);

    actions.attachShortcutsTo(this);
    WindowGeometry::restore(this, "onboarding", QSize(660, 600));
    setStep(welcome);
}

OnboardingWindow::~OnboardingWindow() { permissions_.stopPolling(); }

void OnboardingWindow::setStep(int step) {
    step_ = std::clamp(step, 0, static_cast<int>(ready));
    pages_->setCurrentIndex(step_);
    // The permission state follows the session while that step is shown.
    if (step_ == permission)
        permissions_.beginPolling();
    else
        permissions_.stopPolling();
    showProgressAndFooter();
    // The keyboard starts on the main button, and the style draws its focus
    // ring only in a window that is being worked by keyboard.
    next_->setFocus(Qt::OtherFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        next_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::showProgressAndFooter() {
    for (int i = 0; i < progress_.size(); ++i) {
        const QString name = stepTitles()[i].toHtmlEscaped();
        if (i < step_)
            progress_[i]->setText("<span style='color:" + green().name() + "'>✓</span> " + name);
        else if (i == step_)
            progress_[i]->setText("<b>" + QString::number(i + 1) + " " + name + "</b>");
        else
            progress_[i]->setText("<span style='color:gray'>" + QString::number(i + 1) + " " + name + "</span>");
    }
    back_->setVisible(step_ > welcome);
    skip_->setVisible(step_ == agent);
    if (step_ == ready)
        next_->setText(tr("Start using Zorvi"));
    else if (step_ == permission && !permissions_.canCaptureScreen())
        next_->setText(tr("Continue") + tr(" anyway"));
    else
        next_->setText(tr("Continue"));
}

void OnboardingWindow::setShortcutRecorders(QWidget* recorders) {
    QLayout* column = shortcutRows_->parentWidget()->layout();
    delete column->replaceWidget(shortcutRows_, recorders);
    delete shortcutRows_;
    shortcutRows_ = recorders;
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    WindowGeometry::save(this, "onboarding");
    permissions_.stopPolling();
    QWidget::closeEvent(event);
}

QWidget* OnboardingWindow::makeWelcome() {
    return page(
        {Labels::title(tr("Stop losing the bugs you spot")),
         Labels::body(tr("Screenshot what's wrong, type a note, and it lands on a board your coding agent can "
                         "actually read — image and all.")),
         feature("viewfinder", tr("Capture"), tr("Drag a region or grab the whole screen, from any app.")),
         feature("text.bubble", tr("Annotate"), tr("A note box opens straight away. Type, hit Ctrl+Enter, done.")),
         feature("sparkles", tr("Hand it to your agent"),
                 tr("Your agent sees the screenshot, the note, and where you found it."))});
}

QWidget* OnboardingWindow::makePermission() {
    const SessionType session = Platform::current().session();
    auto* heading = new QWidget;
    auto* headingLayout = new QHBoxLayout(heading);
    headingLayout->setContentsMargins(0, 0, 0, 0);
    headingLayout->addWidget(Labels::symbol("photo.badge.exclamationmark", 32));
    headingLayout->addWidget(Labels::title(tr("Zorvi needs to read the screen")), 1);

    const QString how = PermissionTexts::screenCaptureGuide(session, currentDesktop());
    auto* screenState = Labels::body({});
    screenState->setObjectName("screenCaptureState");
    auto* keysState = Labels::secondary({});
    keysState->setObjectName("keyEventsState");
    auto show = [this, screenState, keysState, session] {
        const QString screen = PermissionTexts::screenCapture(session, permissions_.canCaptureScreen());
        screenState->setText(permissions_.canCaptureScreen()
                                 ? "<span style='color:" + green().name() + "'>✓</span> " + screen.toHtmlEscaped()
                                 : screen.toHtmlEscaped());
        keysState->setText(tr("Tap and double-press shortcuts: ") +
                           PermissionTexts::keyEvents(session, permissions_.canMonitorKeys()));
    };
    show();
    connect(&permissions_, &PermissionsService::canCaptureScreenChanged, this, show);
    return page({heading,
                 Labels::body(how + " " +
                              tr("Zorvi only reads pixels when you press your shortcut — never in the background, "
                                 "and nothing leaves your computer.")),
                 screenState, keysState});
}

QWidget* OnboardingWindow::makeShortcuts() {
    auto* rows = new QWidget;
    shortcutRows_ = rows;
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 8, 0, 0);
    auto* region = new KeyCaps(preferences_.regionHotkey());
    auto* full = new KeyCaps(preferences_.fullScreenHotkey());
    grid->addWidget(new QLabel(tr("Capture a region")), 0, 0);
    grid->addWidget(region, 0, 1);
    grid->addWidget(new QLabel(tr("Capture the whole screen")), 1, 0);
    grid->addWidget(full, 1, 1);
    connect(&preferences_, &Preferences::regionHotkeyChanged, region, &KeyCaps::setBinding);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, full, &KeyCaps::setBinding);
    return page(
        {Labels::title(tr("Pick your shortcuts")),
         Labels::body(tr("Press a combination, or tap a single modifier twice or three times. Zorvi works out which "
                         "you meant.")),
         rows});
}

QWidget* OnboardingWindow::makeAgent() {
    return page(
        {Labels::title(tr("Connect your agent")),
         Labels::body(tr("Zorvi ships an MCP server. Connect it once and your agent can list what's open, look at the "
                         "screenshots, and mark things fixed.")),
         new MCPConnectionList});
}

void OnboardingWindow::setShortcutsWork(bool works) {
    readyKeys_->setVisible(works);
    readyUnbound_->setVisible(!works);
}

QWidget* OnboardingWindow::makeReady() {
    auto* rows = new QWidget;
    readyKeys_ = rows;
    readyUnbound_ = Labels::body(tr("Your shortcuts capture on this desktop once they are set up for it: see the "
                                    "Shortcuts step, or Settings › Shortcuts later. Until then, capture from the "
                                    "board's Capture menu."));
    readyUnbound_->setObjectName("readyShortcutsUnbound");
    readyUnbound_->hide();
    auto* grid = new QGridLayout(rows);
    auto* region = new KeyCaps(preferences_.regionHotkey());
    auto* full = new KeyCaps(preferences_.fullScreenHotkey());
    auto* note = new KeyCaps;
    auto showNote = [note](const HotkeyBinding& r) {
        const QString press = r.displayString();
        note->setKeys({press, press});
    };
    showNote(preferences_.regionHotkey());
    connect(&preferences_, &Preferences::regionHotkeyChanged, region, &KeyCaps::setBinding);
    connect(&preferences_, &Preferences::fullScreenHotkeyChanged, full, &KeyCaps::setBinding);
    connect(&preferences_, &Preferences::regionHotkeyChanged, note, showNote);
    grid->addWidget(region, 0, 0);
    grid->addWidget(new QLabel(tr("capture a region")), 0, 1);
    grid->addWidget(full, 1, 0);
    grid->addWidget(new QLabel(tr("capture the whole screen")), 1, 1);
    grid->addWidget(note, 2, 0);
    grid->addWidget(new QLabel(tr("file an issue with no screenshot")), 2, 1);
    grid->setColumnStretch(1, 1);

    auto* tryIt = new QPushButton(symbolIcon("viewfinder"), tr("Try a capture now"));
    tryIt->setObjectName("tryCapture");
    connect(tryIt, &QPushButton::clicked, this, [this] {
        if (onTryCapture_)
            onTryCapture_();
    });
    auto* center = new QWidget;
    auto* centerLayout = new QHBoxLayout(center);
    centerLayout->addWidget(Labels::symbol("checkmark.circle.fill", 48, green()));
    centerLayout->addWidget(Labels::title(tr("You're set up")), 1);
    return page(
        {center,
         Labels::body(tr("Zorvi lives in your system tray. Ask your agent “what's open in Zorvi?” to see the board "
                         "from the other side.")),
         rows, readyUnbound_, tryIt});
}
