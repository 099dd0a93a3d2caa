#include "DashboardWindow.h"

#include "AgentHandOff.h"
#include "BoardView.h"
#include "CaptureDetailView.h"
#include "DashboardViewModel.h"
#include "library/Library.h"
#include "SidebarView.h"
#include "ui/Theme.h"
#include "UndoBar.h"

#include "ui/WindowGeometry.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
const char* const geometryKey = "board";
const char* const splitterKey = "window.board.splitter";
const char* const layoutKey = "window.board.layout";
const char* const sortKey = "window.board.sort";
} // namespace

DashboardWindow::DashboardWindow(Library& library, QWidget* parent)
    : QMainWindow(parent), board_(new DashboardViewModel(library, this)), sidebar_(new SidebarView(*board_)),
      boardView_(new BoardView(*board_)), detail_(new CaptureDetailView(library)), pages_(new QStackedWidget),
      splitter_(new QSplitter) {
    setWindowTitle("Zorvi");
    setObjectName("dashboard");
    pages_->addWidget(boardView_);
    pages_->addWidget(detail_);
    splitter_->addWidget(sidebar_);
    splitter_->addWidget(pages_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setChildrenCollapsible(false);
    sidebar_->setMinimumWidth(180);
    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(splitter_, 1);
    column->addWidget(new UndoBar(library.undoHistory()));
    setCentralWidget(central);

    QSettings settings;
    WindowGeometry::restore(this, geometryKey, QSize(1180, 760));
    if (!splitter_->restoreState(settings.value(splitterKey).toByteArray()))
        splitter_->setSizes({220, 960});
    if (const auto layout = layoutModeFromRaw(settings.value(layoutKey).toString()))
        board_->setLayout(*layout);
    if (const auto sort = sortOrderFromRaw(settings.value(sortKey).toString()))
        board_->setSort(*sort);
    // Remembered as soon as it is chosen, like the layout is when the window closes.
    connect(board_, &DashboardViewModel::boardChanged, this, [this] {
        if (QSettings settings; settings.value(sortKey).toString() != rawValue(board_->sort()))
            settings.setValue(sortKey, rawValue(board_->sort()));
    });

    connect(board_, &DashboardViewModel::selectionChanged, this, &DashboardWindow::showSelection);
    connect(detail_, &CaptureDetailView::closeRequested, this, [this] { board_->select(std::nullopt); });
    connect(&library, &Library::changed, this, [this, &library] {
        // The status bar exists only once there was something to say.
        if (const auto& error = library.loadError())
            statusBar()->showMessage(*error);
        else if (auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
            bar->clearMessage();
    });

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        board_->select(std::nullopt);
        boardView_->searchField()->setFocus();
        boardView_->searchField()->selectAll();
    });
    auto* handOff = new QShortcut(AgentHandOff::shortcut(), this);
    connect(handOff, &QShortcut::activated, this, &DashboardWindow::copyForAgent);
    connect(detail_, &CaptureDetailView::handOffRequested, this, &DashboardWindow::copyForAgent);
    auto* back = new QShortcut(QKeySequence(Qt::Key_Escape), detail_);
    back->setContext(Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, [this] { board_->select(std::nullopt); });

    auto applyTheme = [this] {
        QPalette p = palette();
        const Theme& theme = Theme::shared();
        p.setColor(QPalette::Window, theme.color(Theme::Color::canvas));
        p.setColor(QPalette::Base, theme.color(Theme::Color::surface));
        p.setColor(QPalette::AlternateBase, theme.color(Theme::Color::surfaceSunken));
        p.setColor(QPalette::WindowText, theme.color(Theme::Color::textPrimary));
        p.setColor(QPalette::Text, theme.color(Theme::Color::textPrimary));
        p.setColor(QPalette::ButtonText, theme.color(Theme::Color::textPrimary));
        p.setColor(QPalette::Button, theme.color(Theme::Color::surfaceRaised));
        p.setColor(QPalette::PlaceholderText, theme.color(Theme::Color::textTertiary));
        p.setColor(QPalette::Highlight, theme.color(Theme::Color::accent));
        p.setColor(QPalette::Link, theme.color(Theme::Color::accent));
        setPalette(p);
    };
    connect(&Theme::shared(), &Theme::changed, this, applyTheme);
    applyTheme();
    boardView_->focusCards();
}

DashboardWindow::~DashboardWindow() {
    detail_->flushEdits();
}

void DashboardWindow::showSelection() {
    detail_->showCapture(board_->selectedCaptureID());
    if (board_->selectedCaptureID()) {
        pages_->setCurrentWidget(detail_);
        detail_->setFocus();
    } else {
        pages_->setCurrentWidget(boardView_);
        boardView_->focusCards();
    }
}

void DashboardWindow::copyForAgent() {
    std::optional<Capture> capture;
    if (const auto& selected = board_->selectedCaptureID())
        capture = board_->library().capture(*selected);
    else if (const Capture* current = boardView_->currentCapture())
        capture = *current;
    if (!capture)
        return;
    AgentHandOff::copy(*capture);
    statusBar()->showMessage(tr("Copied for your agent: capture %1").arg(capture->shortID()), 5000);
}

void DashboardWindow::saveState() const {
    QSettings settings;
    WindowGeometry::save(this, geometryKey);
    settings.setValue(splitterKey, splitter_->saveState());
    settings.setValue(layoutKey, rawValue(board_->layout()));
}

void DashboardWindow::closeEvent(QCloseEvent* event) {
    detail_->flushEdits();
    saveState();
    QMainWindow::closeEvent(event);
}
