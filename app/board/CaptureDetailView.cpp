#include "CaptureDetailView.h"

#include "BoardPainting.h"
#include "CaptureFactsPane.h"
#include "CaptureImagePane.h"
#include "CaptureThread.h"
#include "HeaderButton.h"
#include "RelativeTime.h"
#include "ShortIDBadge.h"
#include "library/Library.h"
#include "ui/SymbolIcons.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

CaptureDetailView::CaptureDetailView(Library& library, QWidget* parent)
    : QWidget(parent), library_(library), shown_(library), pages_(new QStackedWidget) {
    images_ = new CaptureImagePane(library_, shown_);
    facts_ = new CaptureFactsPane(library_, shown_);
    thread_ = new CaptureThread(library_, shown_);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(12, 0, 12, 12);
    sideLayout->addWidget(facts_);
    sideLayout->addWidget(thread_);
    sideLayout->addStretch();
    auto* sideScroll = new QScrollArea;
    sideScroll->setWidget(side);
    sideScroll->setWidgetResizable(true);
    sideScroll->setFrameShape(QFrame::NoFrame);
    sideScroll->setMinimumWidth(300);

    auto* splitter = new QSplitter;
    splitter->addWidget(images_);
    splitter->addWidget(sideScroll);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* detail = new QWidget;
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(buildHeader());
    detailLayout->addWidget(splitter, 1);

    pages_->addWidget(detail);
    pages_->addWidget(buildDeletedPage());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    connect(&library_, &Library::changed, this, &CaptureDetailView::refresh);
    // A capture the store found (outside the loaded page) is read again after each change.
    connect(&library_, &Library::foundChanged, this, &CaptureDetailView::refresh);
}

QWidget* CaptureDetailView::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(8, 8, 8, 4);
    QToolButton* back = headerButton("chevron.left", tr("Back to board"));
    back->setObjectName("backToBoard");
    back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(back, &QToolButton::clicked, this, &CaptureDetailView::closeRequested);
    appTitle_ = new QLabel;
    appTitle_->setObjectName("detailTitle");
    // A title that gives way: opening a capture must not make a narrow board window wider.
    appTitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    shortID_ = new ShortIDBadgeWidget;
    QToolButton* handOff = headerButton("sparkles", tr("Copy for Agent"));
    handOff->setObjectName("copyForAgent");
    connect(handOff, &QToolButton::clicked, this, &CaptureDetailView::handOffRequested);
    QToolButton* remove = headerButton("trash", tr("Delete capture"));
    remove->setObjectName("deleteCapture");
    connect(remove, &QToolButton::clicked, this, [this] {
        if (shown_.id() && library_.remove(*shown_.id()))
            emit closeRequested();
    });
    row->addWidget(back);
    row->addWidget(appTitle_, 1);
    row->addWidget(shortID_);
    row->addWidget(handOff);
    for (QToolButton* b : images_->headerButtons())
        row->addWidget(b);
    row->addWidget(remove);
    return header;
}

QWidget* CaptureDetailView::buildDeletedPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* trash = new QLabel;
    trash->setPixmap(
        BoardPainting::symbol("trash", Theme::shared().color(Theme::Color::textTertiary), 36, devicePixelRatioF()));
    trash->setAlignment(Qt::AlignCenter);
    auto* gone = new QLabel(tr("This capture was deleted."));
    gone->setObjectName("captureDeleted");
    gone->setAlignment(Qt::AlignCenter);
    auto* back = new QPushButton(symbolIcon("chevron.left"), tr("Back to board"));
    connect(back, &QPushButton::clicked, this, &CaptureDetailView::closeRequested);
    layout->addStretch();
    layout->addWidget(trash);
    layout->addWidget(gone);
    layout->addWidget(back, 0, Qt::AlignHCenter);
    layout->addStretch();
    return page;
}

void CaptureDetailView::showCapture(const std::optional<QString>& captureID) {
    if (captureID == shown_.id())
        return;
    flushEdits();
    shown_.show(captureID);
    images_->reset();
    thread_->reset();
    facts_->load();
    refresh();
}

void CaptureDetailView::flushEdits() { facts_->flushEdits(); }

// Text being typed (note, tags, comment) is never overwritten here.
void CaptureDetailView::refresh() {
    if (!shown_.id())
        return;
    shown_.reread();
    const Capture* c = shown_.capture();
    pages_->setCurrentIndex(c ? 0 : 1);
    if (!c)
        return;
    appTitle_->setText("<b>" + c->context.appName.value_or(tr("Unknown app")).toHtmlEscaped() + "</b>  " +
                       RelativeTime::string(c->createdAt));
    shortID_->setShortID(c->shortID());
    facts_->refresh();
    images_->refresh();
    thread_->refresh();
}
