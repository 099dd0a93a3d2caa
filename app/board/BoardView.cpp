#include "BoardView.h"

#include "AgentHandOff.h"
#include "BoardPainting.h"
#include "CaptureCardDelegate.h"
#include "CaptureListModel.h"
#include "DashboardViewModel.h"
#include "library/Library.h"
#include "RelativeTimeTicker.h"
#include "ui/Theme.h"
#include "ThumbnailLoader.h"

#include "platform/FileManagerReveal.h"
#include "ui/KeyCaps.h"
#include "settings/Preferences.h"
#include "ui/SymbolIcons.h"
#include "store/ZorviPaths.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

BoardView::BoardView(DashboardViewModel& board, QWidget* parent)
    : QWidget(parent), board_(board), model_(new CaptureListModel(board, this)),
      delegate_(new CaptureCardDelegate(board.library(), this)), title_(new QLabel), subtitle_(new QLabel),
      search_(new QLineEdit), searching_(new QProgressBar), sort_(new QToolButton), layout_(new QToolButton), body_(new QStackedWidget),
      view_(new QListView), empty_(new QWidget), emptyIcon_(new QLabel), emptyTitle_(new QLabel),
      emptyText_(new QLabel), emptyHint_(new QWidget), emptyShortcut_(new KeyCaps),
      pressHint_(new QWidget), bindHint_(new QWidget) {
    title_->setObjectName("boardTitle");
    subtitle_->setObjectName("boardSubtitle");
    QFont titleFont = title_->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    title_->setFont(titleFont);

    search_->setObjectName("boardSearch");
    search_->setPlaceholderText(tr("Search notes, apps, URLs…"));
    search_->addAction(symbolIcon("magnifyingglass"), QLineEdit::LeadingPosition);
    search_->setClearButtonEnabled(true);
    search_->setMinimumWidth(220);
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, &board_, &DashboardViewModel::setSearch);
    // Busy without an end: the store's search says nothing of its progress.
    searching_->setObjectName("boardSearching");
    searching_->setRange(0, 0);
    searching_->setTextVisible(false);
    searching_->setFixedSize(72, 6);
    searching_->setAccessibleName(tr("Searching the whole library"));
    searching_->hide();

    sort_->setObjectName("boardSort");
    sort_->setIcon(symbolIcon("arrow.up.arrow.down"));
    sort_->setToolTip(tr("Sort"));
    sort_->setPopupMode(QToolButton::InstantPopup);
    // Flat, as toolbar icons are: a raised button face is a pale square in dark.
    sort_->setAutoRaise(true);
    layout_->setAutoRaise(true);
    auto* sortMenu = new QMenu(sort_);
    auto* sortGroup = new QActionGroup(sortMenu);
    for (SortOrder order : allSortOrders) {
        QAction* action = sortMenu->addAction(menuLabel(order));
        action->setCheckable(true);
        action->setChecked(order == board_.sort());
        action->setData(rawValue(order));
        sortGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, order] { board_.setSort(order); });
    }
    sort_->setMenu(sortMenu);

    layout_->setObjectName("boardLayout");
    connect(layout_, &QToolButton::clicked, this,
            [this] { board_.setLayout(board_.layout() == LayoutMode::grid ? LayoutMode::list : LayoutMode::grid); });

    auto* header = new QVBoxLayout;
    header->setSpacing(0);
    header->addWidget(title_);
    header->addWidget(subtitle_);
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(16, 12, 16, 8);
    toolbar->addLayout(header, 1);
    toolbar->addWidget(searching_);
    toolbar->addWidget(search_);
    toolbar->addWidget(sort_);
    toolbar->addWidget(layout_);

    view_->setObjectName("boardCards");
    view_->setModel(model_);
    view_->setItemDelegate(delegate_);
    view_->setUniformItemSizes(true);
    view_->setMouseTracking(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->setSpacing(0);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    connect(view_, &QListView::clicked, this, [this](const QModelIndex& index) {
        // A hover button's click is its own, and may have taken the card off the board already.
        if (delegate_->takeActionClick() || !index.isValid())
            return;
        board_.select(index.data(CaptureListModel::IdRole).toString());
    });
    connect(view_, &QListView::customContextMenuRequested, this, &BoardView::showContextMenu);
    connect(delegate_, &CaptureCardDelegate::deleteClicked, &board_, &DashboardViewModel::deleteCapture);
    connect(delegate_, &CaptureCardDelegate::resolveClicked, &board_, &DashboardViewModel::markResolved);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, &BoardView::rememberPosition);
    connect(model_, &QAbstractItemModel::modelReset, this, &BoardView::restorePosition);
    connect(&ThumbnailLoader::shared(), &ThumbnailLoader::loaded, view_->viewport(),
            [this] { view_->viewport()->update(); });

    emptyIcon_->setAlignment(Qt::AlignCenter);
    emptyTitle_->setObjectName("emptyTitle");
    emptyTitle_->setAlignment(Qt::AlignCenter);
    QFont emptyFont = emptyTitle_->font();
    emptyFont.setPixelSize(17);
    emptyFont.setBold(true);
    emptyTitle_->setFont(emptyFont);
    emptyText_->setAlignment(Qt::AlignCenter);
    emptyText_->setWordWrap(true);
    emptyText_->setFixedWidth(420);
    emptyText_->setObjectName("emptyText");
    // "Press <the region shortcut's keys> anywhere to capture", following the saved shortcut.
    emptyShortcut_->setObjectName("emptyShortcut");
    emptyShortcut_->setBinding(Preferences::shared().regionHotkey());
    connect(&Preferences::shared(), &Preferences::regionHotkeyChanged, emptyShortcut_, &KeyCaps::setBinding);
    auto* press = new QHBoxLayout;
    press->setContentsMargins(0, 0, 0, 0);
    press->addStretch();
    // One sentence for translators, split where the keys go.
    const QStringList aroundKeys = tr("Press %1 anywhere to capture").split(QStringLiteral("%1"));
    press->addWidget(new QLabel(aroundKeys.value(0).trimmed()));
    press->addWidget(emptyShortcut_);
    press->addWidget(new QLabel(aroundKeys.value(1).trimmed()));
    press->addStretch();
    auto* twice = new QLabel(tr("Press it twice for an issue with no screenshot — just the note."));
    twice->setAlignment(Qt::AlignCenter);
    auto* pressLines = new QVBoxLayout(pressHint_);
    pressLines->setContentsMargins(0, 0, 0, 0);
    pressLines->addLayout(press);
    pressLines->addWidget(twice);
    // Where the desktop runs no shortcut of ours yet, naming the keys would promise what nothing does.
    auto* bindText = new QLabel(tr("Your shortcut captures from anywhere once it is set up for this desktop. Until "
                                   "then, capture from the Capture menu."));
    bindText->setObjectName("emptyBindShortcut");
    bindText->setAlignment(Qt::AlignCenter);
    bindText->setWordWrap(true);
    bindText->setFixedWidth(420);
    auto* openShortcuts = new QPushButton(tr("Open Shortcut Settings"));
    openShortcuts->setObjectName("emptyOpenShortcutSettings");
    connect(openShortcuts, &QPushButton::clicked, this, &BoardView::shortcutSettingsRequested);
    auto* bindLines = new QVBoxLayout(bindHint_);
    bindLines->setContentsMargins(0, 0, 0, 0);
    bindLines->addWidget(bindText);
    bindLines->addWidget(openShortcuts, 0, Qt::AlignHCenter);
    auto* hint = new QVBoxLayout(emptyHint_);
    hint->setContentsMargins(0, 8, 0, 0);
    hint->addWidget(pressHint_);
    hint->addWidget(bindHint_);
    bindHint_->hide();
    auto* emptyLayout = new QVBoxLayout(empty_);
    emptyLayout->addStretch();
    emptyLayout->addWidget(emptyIcon_);
    emptyLayout->addWidget(emptyTitle_);
    // Centred by stretches, not by alignment, so the wrapped text's height follows its width.
    auto* textRow = new QHBoxLayout;
    textRow->addStretch();
    textRow->addWidget(emptyText_);
    textRow->addStretch();
    emptyLayout->addLayout(textRow);
    emptyLayout->addWidget(emptyHint_, 0, Qt::AlignHCenter);
    emptyLayout->addStretch();

    body_->addWidget(view_);
    body_->addWidget(empty_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(body_, 1);

    connect(&board_, &DashboardViewModel::boardChanged, this, &BoardView::refreshHeader);
    connect(&board_, &DashboardViewModel::layoutChanged, this, &BoardView::applyLayout);
    connect(&Theme::shared(), &Theme::changed, this, [this] {
        refreshHeader();
        view_->viewport()->update();
    });
    applyLayout();
    refreshHeader();
    new RelativeTimeTicker(board_, *view_->viewport(), this);
}

void BoardView::focusCards() {
    view_->setFocus();
    if (!view_->currentIndex().isValid() && model_->rowCount() > 0)
        view_->setCurrentIndex(model_->index(0));
}

void BoardView::setShortcutWorks(bool works) {
    shortcutWorks_ = works;
    pressHint_->setVisible(works);
    bindHint_->setVisible(!works);
}

void BoardView::refreshHeader() {
    const Theme& theme = Theme::shared();
    title_->setText(board_.title());
    subtitle_->setText(board_.subtitle());
    // The sort may come from the last session, after the menu was built.
    for (QAction* action : sort_->menu()->actions())
        action->setChecked(action->data().toString() == rawValue(board_.sort()));
    QPalette subtle = subtitle_->palette();
    subtle.setColor(QPalette::WindowText, theme.color(Theme::Color::textSecondary));
    subtitle_->setPalette(subtle);
    emptyText_->setPalette(subtle);
    emptyHint_->setPalette(subtle);
    const QPalette viewPalette = [&] {
        QPalette p = view_->palette();
        p.setColor(QPalette::Base, theme.color(Theme::Color::canvas));
        return p;
    }();
    view_->setPalette(viewPalette);

    const bool searching = board_.library().isSearching();
    searching_->setVisible(searching);
    // "No matches" waits for the store's answer; the loaded captures may simply not hold them.
    const bool empty = board_.visibleCaptures().empty() && !searching;
    body_->setCurrentWidget(empty ? empty_ : static_cast<QWidget*>(view_));
    if (!empty)
        return;
    const BoardEmptyState state = board_.emptyState();
    emptyIcon_->setPixmap(
        BoardPainting::symbol(state.symbol, theme.color(Theme::Color::textTertiary), 40, devicePixelRatioF()));
    emptyTitle_->setText(state.title);
    emptyText_->setText(state.text);
    emptyHint_->setVisible(state.showsShortcutHint);
}

void BoardView::applyLayout() {
    const bool grid = board_.layout() == LayoutMode::grid;
    delegate_->setLayout(board_.layout());
    view_->setViewMode(grid ? QListView::IconMode : QListView::ListMode);
    view_->setFlow(grid ? QListView::LeftToRight : QListView::TopToBottom);
    view_->setWrapping(grid);
    view_->setResizeMode(QListView::Adjust);
    view_->setMovement(QListView::Static);
    view_->setGridSize(QSize());
    view_->setContentsMargins(8, 0, 8, 8);
    fitGrid();
    // The toggle offers the other layout.
    const LayoutMode other = grid ? LayoutMode::list : LayoutMode::grid;
    layout_->setIcon(symbolIcon(symbol(other)));
    layout_->setToolTip(grid ? tr("Show as list") : tr("Show as grid"));
    view_->doItemsLayout();
}

void BoardView::fitGrid() {
    if (board_.layout() != LayoutMode::grid)
        return;
    // As many columns of at least the card's width as fit, sharing the width
    // evenly, so a wide board has no empty strip down its right side.
    const int room = view_->viewport()->width() - 1;
    const int columns = std::max(1, room / CaptureCardDelegate::cardSize.width());
    const int width = std::max(CaptureCardDelegate::cardSize.width(), room / columns);
    if (view_->gridSize().width() == width)
        return;
    delegate_->setCardWidth(width);
    view_->setGridSize(QSize(width, CaptureCardDelegate::cardSize.height()));
}

void BoardView::rememberPosition() {
    currentBeforeReset_ = view_->currentIndex().data(CaptureListModel::IdRole).toString();
    scrollBeforeReset_ = view_->verticalScrollBar()->value();
}

void BoardView::restorePosition() {
    view_->doItemsLayout();
    if (const QModelIndex current = model_->indexOf(currentBeforeReset_); current.isValid())
        view_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    view_->verticalScrollBar()->setValue(scrollBeforeReset_);
}

bool BoardView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::Resize)
        fitGrid();
    if (watched == search_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc empties the search; on an empty one it goes back to the cards.
        if (search_->text().isEmpty())
            focusCards();
        else
            search_->clear();
        return true;
    }
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openCurrent();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            deleteCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BoardView::openCurrent() {
    if (const QModelIndex current = view_->currentIndex(); current.isValid())
        board_.select(current.data(CaptureListModel::IdRole).toString());
}

const Capture* BoardView::currentCapture() const {
    return model_->capture(view_->currentIndex());
}

void BoardView::deleteCurrent() {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid())
        return;
    // The next card takes the selection, as in a file manager.
    const int row = current.row();
    board_.deleteCapture(current.data(CaptureListModel::IdRole).toString());
    if (model_->rowCount() > 0)
        view_->setCurrentIndex(model_->index(std::min(row, model_->rowCount() - 1)));
}

void BoardView::showContextMenu(const QPoint& at) {
    const QModelIndex index = view_->indexAt(at);
    const Capture* c = model_->capture(index);
    if (!c)
        return;
    const QString id = c->id;
    QMenu menu(this);
    menu.addAction(tr("Open"), this, [this, id] { board_.select(id); });
    const Capture capture = *c;
    QAction* handOff = menu.addAction(tr("Copy for Agent"), this, [capture] { AgentHandOff::copy(capture); });
    handOff->setShortcut(AgentHandOff::shortcut());
    if (c->hasImage()) {
        const QString file = ZorviPaths::imageFile(c->imagePath);
        menu.addAction(tr("Show in Folder"), this, [file] { FileManagerReveal::showItem(file); });
    }
    Library& library = board_.library();
    if (!library.people().empty()) {
        QMenu* assign = menu.addMenu(tr("Assign to"));
        assign->addAction(tr("Unassigned"), this, [&library, id] { library.assign(std::nullopt, id); });
        for (const Person& person : library.people()) {
            const QString personID = person.id;
            assign->addAction(person.isBot() ? tr("%1 (bot)").arg(person.name) : person.name, this,
                              [&library, id, personID] { library.assign(personID, id); });
        }
    }
    if (c->status != CaptureStatus::resolved)
        menu.addAction(tr("Mark resolved"), this, [this, id] { board_.markResolved(id); });
    menu.addAction(tr("Delete"), this, [this, id] { board_.deleteCapture(id); });
    menu.exec(view_->viewport()->mapToGlobal(at));
}
