#include "SidebarView.h"

#include "BoardPainting.h"
#include "DashboardViewModel.h"
#include "library/Library.h"
#include "NewGroupDialog.h"
#include "ui/Theme.h"

#include "ui/SymbolIcons.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const int filterRole = Qt::UserRole + 1;

// A filter travels in an item as "kind|status|value".
QString encode(const LibraryFilter& f) {
    return QString("%1|%2|%3").arg(int(f.kind)).arg(int(f.status)).arg(f.value);
}

LibraryFilter decode(const QString& text) {
    LibraryFilter f;
    f.kind = LibraryFilter::Kind(text.section(u'|', 0, 0).toInt());
    f.status = CaptureStatus(text.section(u'|', 1, 1).toInt());
    f.value = text.section(u'|', 2);
    return f;
}

// The style would tint a selected row's icon with the selection colour, which
// washes out the status colours; the icon stays as it is.
QIcon keptWhenSelected(const QPixmap& pixmap) {
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

QIcon dot(const QColor& color) {
    QPixmap pixmap(QSize(16, 16) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(3, 3, 10, 10));
    p.end();
    return keptWhenSelected(pixmap);
}

} // namespace

SidebarView::SidebarView(DashboardViewModel& board, QWidget* parent)
    : QWidget(parent), board_(board), tree_(new QTreeWidget) {
    auto* brand = new QLabel("<b>Zorvi</b>");
    QFont brandFont = brand->font();
    brandFont.setPixelSize(16);
    brand->setFont(brandFont);
    auto* mark = new QLabel;
    mark->setPixmap(
        BoardPainting::symbol("viewfinder", Theme::shared().color(Theme::Color::accent), 22, devicePixelRatioF()));
    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 12, 14, 8);
    header->addWidget(mark);
    header->addWidget(brand, 1);

    tree_->setObjectName("sidebarRows");
    tree_->setColumnCount(2);
    tree_->header()->hide();
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->setRootIsDecorated(false);
    tree_->setIndentation(8);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (rebuilding_ || !item || item->data(0, filterRole).isNull())
            return;
        board_.setFilter(decode(item->data(0, filterRole).toString()));
    });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &SidebarView::showContextMenu);

    auto* newGroupButton = new QPushButton(symbolIcon("plus"), tr("New group"));
    newGroupButton->setObjectName("newGroup");
    newGroupButton->setFlat(true);
    connect(newGroupButton, &QPushButton::clicked, this, &SidebarView::newGroup);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(tree_, 1);
    layout->addWidget(newGroupButton, 0, Qt::AlignLeft);

    connect(&board_, &DashboardViewModel::boardChanged, this, &SidebarView::rebuild);
    connect(&Theme::shared(), &Theme::changed, this, &SidebarView::rebuild);
    rebuild();
}

void SidebarView::rebuild() {
    const Theme& theme = Theme::shared();
    const Library& library = board_.library();
    const qreal dpr = devicePixelRatioF();
    rebuilding_ = true;
    // The selected row on a soft accent with the ordinary text colour: white on
    // the strong accent was hard to read in dark.
    QPalette rows = tree_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        rows.setColor(group, QPalette::Highlight, theme.color(Theme::Color::accentSoft));
        rows.setColor(group, QPalette::HighlightedText, theme.color(Theme::Color::textPrimary));
    }
    tree_->setPalette(rows);
    tree_->clear();
    QTreeWidgetItem* current = nullptr;
    auto section = [&](const QString& title) {
        auto* item = new QTreeWidgetItem(tree_, {title});
        item->setFlags(Qt::NoItemFlags);
        QFont f = item->font(0);
        f.setBold(true);
        f.setPixelSize(11);
        item->setFont(0, f);
        item->setForeground(0, theme.color(Theme::Color::textTertiary));
    };
    auto row = [&](const LibraryFilter& filter, const QString& title, const QIcon& icon, int count) {
        auto* item = new QTreeWidgetItem(tree_, {title, count > 0 ? QString::number(count) : QString()});
        item->setIcon(0, icon);
        item->setData(0, filterRole, encode(filter));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setForeground(1, theme.color(Theme::Color::textSecondary));
        if (filter == board_.filter())
            current = item;
        return item;
    };
    auto filterRow = [&](const LibraryFilter& filter, const QColor& tint) {
        row(filter, filter.title(), keptWhenSelected(BoardPainting::symbol(filter.symbol(), tint, 16, dpr)),
            board_.count(filter));
    };

    const QColor neutral = theme.color(Theme::Color::textSecondary);
    filterRow(LibraryFilter::inbox(), theme.color(Theme::Color::accent));
    if (library.currentUserID()) {
        filterRow(LibraryFilter::assignedToMe(), neutral);
        filterRow(LibraryFilter::mine(), neutral);
    }
    filterRow(LibraryFilter::everything(), neutral);
    for (CaptureStatus s : allCaptureStatuses)
        filterRow(LibraryFilter::ofStatus(s), theme.statusColor(s));

    section(tr("Groups"));
    for (const CaptureGroup& g : library.groups()) {
        QTreeWidgetItem* item = row(LibraryFilter::ofGroup(g.id), g.name, dot(QColor(g.colorHex)),
                                    board_.count(LibraryFilter::ofGroup(g.id)));
        if (g.visibility == GroupVisibility::isPrivate && g.isShared()) {
            item->setToolTip(0, tr("Private group — visible to its members"));
            item->setIcon(1, symbolIcon("person.crop.circle"));
        }
    }
    if (!library.allTags().isEmpty()) {
        section(tr("Tags"));
        const QIcon number = keptWhenSelected(BoardPainting::symbol("number", neutral, 16, dpr));
        for (const QString& tag : library.allTags())
            row(LibraryFilter::ofTag(tag), tag, number, 0);
    }
    if (current)
        tree_->setCurrentItem(current);
    rebuilding_ = false;
}

void SidebarView::showContextMenu(const QPoint& at) {
    QTreeWidgetItem* item = tree_->itemAt(at);
    if (!item || item->data(0, filterRole).isNull())
        return;
    const LibraryFilter filter = decode(item->data(0, filterRole).toString());
    if (filter.kind != LibraryFilter::Kind::group)
        return;
    const std::optional<CaptureGroup> group = board_.library().group(filter.value);
    QMenu menu(this);
    const QString id = filter.value;
    menu.addAction(group && group->isShared() ? tr("Archive group") : tr("Delete group"), this,
                   [this, id] { board_.deleteGroup(id); });
    menu.exec(tree_->viewport()->mapToGlobal(at));
}

void SidebarView::newGroup() {
    NewGroupDialog dialog(board_, this);
    dialog.exec();
}
