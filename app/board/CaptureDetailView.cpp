#include "CaptureDetailView.h"

#include "ActivityLine.h"
#include "BoardPainting.h"
#include "library/Library.h"
#include "RelativeTime.h"
#include "ScreenshotTextSection.h"
#include "ShortIDBadge.h"
#include "TagText.h"
#include "ui/Theme.h"

#include "ui/NoteLengthWarning.h"
#include "platform/FileManagerReveal.h"
#include "ui/AppNotifications.h"
#include "export/SaveAsButton.h"
#include "ui/SymbolIcons.h"
#include "store/ZorviPaths.h"
#include "ui/Labels.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

QToolButton* headerButton(const QString& symbol, const QString& text) {
    auto* button = new QToolButton;
    button->setIcon(symbolIcon(symbol));
    button->setText(text);
    button->setToolTip(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

CaptureDetailView::CaptureDetailView(Library& library, QWidget* parent)
    : QWidget(parent), library_(library), pages_(new QStackedWidget) {
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(noteSaveDelayMs);
    connect(&noteTimer_, &QTimer::timeout, this, &CaptureDetailView::flushEdits);

    auto* detail = new QWidget;
    auto* splitter = new QSplitter;
    splitter->addWidget(buildImageArea());
    splitter->addWidget(buildSidePane());
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(buildHeader());
    detailLayout->addWidget(splitter, 1);

    auto* deleted = new QWidget;
    auto* deletedLayout = new QVBoxLayout(deleted);
    auto* trash = new QLabel;
    trash->setPixmap(
        BoardPainting::symbol("trash", Theme::shared().color(Theme::Color::textTertiary), 36, devicePixelRatioF()));
    trash->setAlignment(Qt::AlignCenter);
    auto* gone = new QLabel("This capture was deleted.");
    gone->setObjectName("captureDeleted");
    gone->setAlignment(Qt::AlignCenter);
    auto* back = new QPushButton(symbolIcon("chevron.left"), "Back to board");
    connect(back, &QPushButton::clicked, this, &CaptureDetailView::closeRequested);
    deletedLayout->addStretch();
    deletedLayout->addWidget(trash);
    deletedLayout->addWidget(gone);
    deletedLayout->addWidget(back, 0, Qt::AlignHCenter);
    deletedLayout->addStretch();

    pages_->addWidget(detail);
    pages_->addWidget(deleted);
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
    QToolButton* back = headerButton("chevron.left", "Back to board");
    back->setObjectName("backToBoard");
    connect(back, &QToolButton::clicked, this, &CaptureDetailView::closeRequested);
    appTitle_ = new QLabel;
    appTitle_->setObjectName("detailTitle");
    shortID_ = new ShortIDBadgeWidget;
    QToolButton* handOff = headerButton("sparkles", tr("Copy for Agent"));
    handOff->setObjectName("copyForAgent");
    connect(handOff, &QToolButton::clicked, this, &CaptureDetailView::handOffRequested);
    sizeToggle_ = headerButton("arrow.up.left.and.arrow.down.right", "Actual size");
    connect(sizeToggle_, &QToolButton::clicked, this, [this] {
        actualSize_ = !actualSize_;
        showSelectedImage();
    });
    reveal_ = headerButton("folder", "Show in Folder");
    connect(reveal_, &QToolButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            FileManagerReveal::showItem(image->originalFile());
    });
    copy_ = headerButton("doc.on.doc", "Copy image");
    connect(copy_, &QToolButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            QApplication::clipboard()->setImage(QImage(image->displayFile()));
    });
    QToolButton* remove = headerButton("trash", "Delete capture");
    remove->setObjectName("deleteCapture");
    connect(remove, &QToolButton::clicked, this, [this] {
        if (captureID_ && library_.remove(*captureID_))
            emit closeRequested();
    });
    row->addWidget(back);
    row->addWidget(appTitle_, 1);
    row->addWidget(shortID_);
    // Icons with their words as tooltips, and a title that gives way: opening
    // a capture must not make a narrow board window wider.
    appTitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QToolButton* b : {handOff, sizeToggle_, reveal_, copy_, remove}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        row->addWidget(b);
    }
    return header;
}

QWidget* CaptureDetailView::buildImageArea() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(8, 0, 8, 8);

    imagePages_ = new QStackedWidget;
    auto* withImage = new QWidget;
    auto* withImageLayout = new QVBoxLayout(withImage);
    withImageLayout->setContentsMargins(0, 0, 0, 0);
    markUp_ = new QPushButton(symbolIcon("pencil.tip.crop.circle"), "Mark up");
    markUp_->setObjectName("markUp");
    connect(markUp_, &QPushButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            emit AppNotifications::shared().annotateImage(image->id);
    });
    imageScroll_ = new QScrollArea;
    imageScroll_->setAlignment(Qt::AlignCenter);
    imageScroll_->setFrameShape(QFrame::NoFrame);
    image_ = new QLabel;
    image_->setObjectName("detailImage");
    image_->setAlignment(Qt::AlignCenter);
    imageScroll_->setWidget(image_);
    imageScroll_->setWidgetResizable(false);
    // Fitted to the room the pane really has, which settles only after the layout has run.
    imageScroll_->viewport()->installEventFilter(this);
    auto* imageActions = new QHBoxLayout;
    imageActions->addStretch(1);
    imageActions->addWidget(makeSaveAsButton(
        [this] { return selectedImage(); },
        [this] {
            const Capture* c = capture();
            return c ? SaveAsName::Context{c->createdAt.toLocalTime(), c->context.appName.value_or(QString()), c->note}
                     : SaveAsName::Context{};
        },
        this));
    imageActions->addWidget(markUp_);
    withImageLayout->addLayout(imageActions);
    withImageLayout->addWidget(imageScroll_, 1);

    auto* noImage = new QWidget;
    auto* noImageLayout = new QVBoxLayout(noImage);
    auto* icon = new QLabel;
    icon->setPixmap(BoardPainting::symbol("text.alignleft", Theme::shared().color(Theme::Color::textTertiary), 36,
                                          devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = Labels::strong("No screenshot");
    title->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel("This issue was filed as text. Add a screenshot and it shows up here, on the card, and "
                            "for your agent.");
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    auto* add = new QPushButton(symbolIcon("plus"), "Add screenshot");
    connect(add, &QPushButton::clicked, this, [this] {
        if (captureID_)
            emit AppNotifications::shared().addScreenshot(*captureID_);
    });
    noImageLayout->addStretch();
    noImageLayout->addWidget(icon);
    noImageLayout->addWidget(title);
    noImageLayout->addWidget(text);
    noImageLayout->addWidget(add, 0, Qt::AlignHCenter);
    noImageLayout->addStretch();
    imagePages_->addWidget(withImage);
    imagePages_->addWidget(noImage);

    filmstrip_ = new QListWidget;
    filmstrip_->setObjectName("filmstrip");
    filmstrip_->setViewMode(QListView::IconMode);
    filmstrip_->setFlow(QListView::LeftToRight);
    filmstrip_->setWrapping(false);
    filmstrip_->setIconSize(QSize(80, 52));
    filmstrip_->setFixedHeight(76);
    filmstrip_->setMovement(QListView::Static);
    // On the window's own background, not a white field, light or dark.
    filmstrip_->setFrameShape(QFrame::NoFrame);
    filmstrip_->viewport()->setAutoFillBackground(false);
    filmstrip_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(filmstrip_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const QString id = item->data(Qt::UserRole).toString();
        if (id.isEmpty()) {
            if (captureID_)
                emit AppNotifications::shared().addScreenshot(*captureID_);
            return;
        }
        selectedImageID_ = id;
        showSelectedImage();
    });
    connect(filmstrip_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = filmstrip_->itemAt(at);
        const QString id = item ? item->data(Qt::UserRole).toString() : QString();
        const auto it = std::find_if(images_.begin(), images_.end(), [&](const CaptureImage& i) { return i.id == id; });
        if (it == images_.end())
            return;
        const CaptureImage image = *it;
        QMenu menu(this);
        menu.addAction(symbolIcon("trash"), "Remove this screenshot", this,
                       [this, image] { library_.deleteImage(image); });
        menu.exec(filmstrip_->viewport()->mapToGlobal(at));
    });

    layout->addWidget(imagePages_, 1);
    layout->addWidget(filmstrip_);
    return area;
}

QWidget* CaptureDetailView::buildSidePane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(12, 0, 12, 12);

    auto* workflow = new QFormLayout;
    status_ = new QComboBox;
    status_->setObjectName("detailStatus");
    for (CaptureStatus s : allCaptureStatuses)
        status_->addItem(displayName(s), rawValue(s));
    connect(status_, &QComboBox::activated, this, [this](int i) {
        if (captureID_ && !updating_)
            library_.setStatus(*captureStatusFromRaw(status_->itemData(i).toString()), *captureID_);
    });
    priority_ = new QComboBox;
    priority_->setObjectName("detailPriority");
    for (CapturePriority p : allCapturePriorities)
        priority_->addItem(displayName(p), rawValue(p));
    connect(priority_, &QComboBox::activated, this, [this](int i) {
        if (const Capture* c = capture(); c && !updating_) {
            Capture changed = *c;
            changed.priority = *capturePriorityFromRaw(priority_->itemData(i).toString());
            library_.update(changed);
        }
    });
    group_ = new QComboBox;
    group_->setObjectName("detailGroup");
    connect(group_, &QComboBox::activated, this, [this](int i) {
        if (const Capture* c = capture(); c && !updating_) {
            Capture changed = *c;
            const QString id = group_->itemData(i).toString();
            changed.groupID = id.isEmpty() ? std::nullopt : std::optional(id);
            library_.update(changed);
        }
    });
    assignee_ = new QComboBox;
    assignee_->setObjectName("detailAssignee");
    connect(assignee_, &QComboBox::activated, this, [this](int i) {
        if (captureID_ && !updating_) {
            const QString id = assignee_->itemData(i).toString();
            library_.assign(id.isEmpty() ? std::nullopt : std::optional(id), *captureID_);
        }
    });
    workflow->addRow("Status", status_);
    workflow->addRow("Priority", priority_);
    workflow->addRow("Group", group_);
    workflow->addRow("Assignee", assignee_);
    assigneeHint_ = new QLabel(tr("Signed out, there's no one to assign to: people come with a team workspace. "
                                  "Sign in under Settings ▸ Account."));
    assigneeHint_->setObjectName("assigneeHint");
    assigneeHint_->setWordWrap(true);
    assigneeHint_->setForegroundRole(QPalette::PlaceholderText);
    workflow->addRow(QString(), assigneeHint_);
    provenance_ = new QLabel;
    provenance_->setWordWrap(true);

    note_ = new QPlainTextEdit;
    note_->setObjectName("detailNote");
    note_->setPlaceholderText("What's wrong here?");
    note_->setMinimumHeight(90);
    // Its own height, not a share of the pane's spare room: that share shrinks
    // as comments and history grow, and everything under the note would move.
    note_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(note_, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_)
            noteTimer_.start();
    });

    contextHeading_ = Labels::strong("Captured in");
    context_ = new QFormLayout;

    tags_ = new QLineEdit;
    tags_->setObjectName("detailTags");
    tags_->setPlaceholderText("comma separated");
    // Saved on Enter and on leaving the field; leaving the capture saves too.
    connect(tags_, &QLineEdit::editingFinished, this, &CaptureDetailView::commitTags);
    noteElsewhere_ = new ElsewhereNotice(tr("The note"));
    connect(noteElsewhere_, &ElsewhereNotice::useTheirsRequested, this, [this] {
        if (const std::optional<QString> theirs = noteMerge_.theirs())
            note_->setPlainText(*theirs);
        noteMerge_.forgetTheirs();
    });
    connect(noteElsewhere_, &ElsewhereNotice::dismissed, this, [this] { noteMerge_.forgetTheirs(); });
    tagsElsewhere_ = new ElsewhereNotice(tr("The tags"));
    connect(tagsElsewhere_, &ElsewhereNotice::useTheirsRequested, this, [this] {
        if (const std::optional<QString> theirs = tagsMerge_.theirs())
            tags_->setText(*theirs);
        tagsMerge_.forgetTheirs();
        commitTags();
    });
    connect(tagsElsewhere_, &ElsewhereNotice::dismissed, this, [this] { tagsMerge_.forgetTheirs(); });

    commentsHeading_ = Labels::strong("Comments");
    comments_ = new QVBoxLayout;
    newComment_ = new QLineEdit;
    newComment_->setObjectName("newComment");
    newComment_->setPlaceholderText("Add a comment…");
    auto* post = new QPushButton("Post");
    post->setObjectName("postComment");
    connect(newComment_, &QLineEdit::returnPressed, this, &CaptureDetailView::postComment);
    connect(post, &QPushButton::clicked, this, &CaptureDetailView::postComment);
    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(newComment_, 1);
    commentRow->addWidget(post);
    history_ = new QVBoxLayout;

    layout->addLayout(workflow);
    layout->addWidget(provenance_);
    layout->addWidget(Labels::strong("Note"));
    layout->addWidget(note_);
    layout->addWidget(new NoteLengthWarning(note_));
    layout->addWidget(noteElsewhere_);
    layout->addWidget(contextHeading_);
    layout->addLayout(context_);
    screenshotText_ = new ScreenshotTextSection(library_);
    layout->addWidget(screenshotText_);
    layout->addWidget(Labels::strong("Tags"));
    layout->addWidget(tags_);
    layout->addWidget(tagsElsewhere_);
    layout->addWidget(commentsHeading_);
    // Above the comments, so it stays put however many there are.
    layout->addLayout(commentRow);
    layout->addLayout(comments_);
    layout->addWidget(Labels::strong("History"));
    layout->addLayout(history_);
    layout->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(pane);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumWidth(300);
    return scroll;
}

void CaptureDetailView::showCapture(const std::optional<QString>& captureID) {
    if (captureID == captureID_)
        return;
    flushEdits();
    captureID_ = captureID;
    readUnloaded();
    selectedImageID_.reset();
    actualSize_ = false;
    newComment_->clear();
    updating_ = true;
    const Capture* c = capture();
    note_->setPlainText(c ? c->note : QString());
    tags_->setText(c ? TagText::format(library_.tags(c->id)) : QString());
    noteMerge_.reset(note_->toPlainText());
    tagsMerge_.reset(tags_->text());
    noteElsewhere_->hide();
    tagsElsewhere_->hide();
    updating_ = false;
    refresh();
}

const Capture* CaptureDetailView::capture() const {
    if (!captureID_)
        return nullptr;
    if (const Capture* loaded = library_.loadedCapture(*captureID_))
        return loaded;
    return unloaded_ ? &*unloaded_ : nullptr;
}

void CaptureDetailView::readUnloaded() {
    // A capture opened by its id (a link, a notice) in a library larger than
    // the board loads may be on no page; it is read on its own, by its key.
    unloaded_.reset();
    if (captureID_ && !library_.loadedCapture(*captureID_))
        unloaded_ = library_.capture(*captureID_);
}

const CaptureImage* CaptureDetailView::selectedImage() const {
    for (const CaptureImage& image : images_)
        if (selectedImageID_ && image.id == *selectedImageID_)
            return &image;
    return images_.empty() ? nullptr : &images_.front();
}

void CaptureDetailView::flushEdits() {
    noteTimer_.stop();
    commitTags();
    const Capture* c = capture();
    const QString text = note_->toPlainText();
    if (!c || text == c->note || !noteMerge_.isEdited(text))
        return;
    Capture changed = *c;
    changed.note = text;
    if (library_.update(changed))
        noteMerge_.saved(text);
}

void CaptureDetailView::commitTags() {
    const QString text = tags_->text();
    if (!captureID_ || !tagsMerge_.isEdited(text))
        return;
    if (library_.setTags(TagText::parse(text), *captureID_))
        tagsMerge_.saved(text);
}

void CaptureDetailView::mergeOutsideEdits(const Capture& c) {
    // What the person is typing is never overwritten; untouched fields follow the library.
    const auto merge = [this](MergedField& merge, const QString& stored, const QString& text, ElsewhereNotice* notice,
                              const std::function<void()>& show) {
        switch (merge.storedChanged(stored, text)) {
        case MergedField::Outcome::unchanged:
            break;
        case MergedField::Outcome::refreshed:
            if (text != stored)
                show();
            break;
        case MergedField::Outcome::changedElsewhere:
            notice->showTheirs(stored);
            break;
        }
    };
    const QString storedNote = c.note;
    merge(noteMerge_, storedNote, note_->toPlainText(), noteElsewhere_, [&] {
        QTextCursor cursor = note_->textCursor();
        const int position = cursor.position();
        note_->setPlainText(storedNote);
        cursor.setPosition(std::min(position, int(storedNote.size())));
        note_->setTextCursor(cursor);
    });
    const QString storedTags = TagText::format(library_.tags(c.id));
    merge(tagsMerge_, storedTags, tags_->text(), tagsElsewhere_, [&] { tags_->setText(storedTags); });
}

void CaptureDetailView::postComment() {
    const QString body = newComment_->text().trimmed();
    if (body.isEmpty() || !captureID_)
        return;
    if (library_.addComment(body, *captureID_))
        newComment_->clear();
}

// Text being typed (note, tags, comment) is never overwritten here.
void CaptureDetailView::refresh() {
    if (!captureID_)
        return;
    readUnloaded();
    const Capture* c = capture();
    pages_->setCurrentIndex(c ? 0 : 1);
    if (!c)
        return;
    updating_ = true;
    appTitle_->setText("<b>" + c->context.appName.value_or("Unknown app").toHtmlEscaped() + "</b>  " +
                       RelativeTime::string(c->createdAt));
    shortID_->setShortID(c->shortID());
    screenshotText_->showCapture(c->id);
    refreshWorkflow(*c);
    refreshContext(*c);
    mergeOutsideEdits(*c);
    updating_ = false;
    reloadImages();
    refreshComments();
    refreshHistory();
}

void CaptureDetailView::refreshWorkflow(const Capture& c) {
    status_->setCurrentIndex(status_->findData(rawValue(c.status)));
    priority_->setCurrentIndex(priority_->findData(rawValue(c.priority)));
    group_->clear();
    group_->addItem("No group", QString());
    for (const CaptureGroup& g : library_.groups())
        group_->addItem(g.name, g.id);
    group_->setCurrentIndex(std::max(0, group_->findData(c.groupID.value_or(QString()))));

    assignee_->clear();
    assignee_->addItem("Unassigned", QString());
    for (const Person& p : library_.people())
        assignee_->addItem(p.name + (p.isBot() ? " (bot)" : ""), p.id);
    // Someone no longer offered (a member who left) still shows as assigned.
    if (c.assigneeID && assignee_->findData(*c.assigneeID) < 0) {
        const std::optional<Person> gone = library_.person(c.assigneeID);
        assignee_->addItem(gone ? gone->name : *c.assigneeID, *c.assigneeID);
    }
    assignee_->setCurrentIndex(std::max(0, assignee_->findData(c.assigneeID.value_or(QString()))));
    assigneeHint_->setVisible(!library_.currentUserID() && library_.people().empty());

    QStringList lines;
    const std::optional<Person> author = library_.person(c.authorID);
    lines << "Filed by " + (library_.isMine(c) ? QStringLiteral("you")
                            : author           ? author->name
                                               : c.authorID.value_or("someone"));
    if (c.claimedBy)
        lines << "✨ Claimed by " + *c.claimedBy;
    if (c.status == CaptureStatus::resolved && c.resolutionRef)
        lines << "✔ " + *c.resolutionRef;
    provenance_->setText(lines.join("\n"));
}

void CaptureDetailView::refreshContext(const Capture& c) {
    contextHeading_->setText(c.hasImage() ? "Captured in" : "Filed from");
    while (context_->rowCount() > 0)
        context_->removeRow(0);
    auto row = [&](const QString& label, const QString& value) {
        auto* field = new QLabel(value);
        field->setTextInteractionFlags(Qt::TextBrowserInteraction);
        field->setWordWrap(true);
        context_->addRow(label, field);
        return field;
    };
    row("App", c.context.appName.value_or("Unknown").toHtmlEscaped());
    if (c.context.windowTitle)
        row("Window", c.context.windowTitle->toHtmlEscaped());
    if (c.context.url) {
        const QString url = c.context.url->toHtmlEscaped();
        QLabel* link = row("URL", QString("<a href=\"%1\">%2</a>").arg(url, url));
        link->setOpenExternalLinks(true);
    }
    if (c.context.displayName)
        row("Display", c.context.displayName->toHtmlEscaped());
    if (c.hasImage())
        row("Size", QString("%1 × %2 px").arg(c.imageWidth).arg(c.imageHeight));
    row("Mode", displayName(c.captureMode));
}

void CaptureDetailView::reloadImages() {
    try {
        images_ = library_.store().images(*captureID_);
    } catch (const ZorviError&) {
        images_.clear();
    }
    if (!selectedImage() || (selectedImageID_ && selectedImage()->id != *selectedImageID_))
        selectedImageID_ = images_.empty() ? std::nullopt : std::optional(images_.front().id);

    filmstrip_->clear();
    const Theme& theme = Theme::shared();
    for (const CaptureImage& image : images_) {
        QPixmap thumb;
        if (const auto path = image.thumbFile())
            thumb.load(*path);
        if (thumb.isNull())
            thumb.load(image.displayFile());
        auto* item = new QListWidgetItem(QIcon(thumb), QString());
        item->setData(Qt::UserRole, image.id);
        item->setToolTip(image.hasAnnotations() ? "Marked up — click to edit" : "Click to mark up");
        filmstrip_->addItem(item);
        if (selectedImageID_ == image.id)
            item->setSelected(true);
    }
    auto* add = new QListWidgetItem(
        QIcon(BoardPainting::symbol("plus", theme.color(Theme::Color::textSecondary), 24, devicePixelRatioF())),
        QString());
    add->setToolTip("Add another screenshot to this capture");
    filmstrip_->addItem(add);
    showSelectedImage();
}

void CaptureDetailView::showSelectedImage() {
    const CaptureImage* image = selectedImage();
    imagePages_->setCurrentIndex(image ? 0 : 1);
    filmstrip_->setVisible(image != nullptr);
    for (QToolButton* b : {sizeToggle_, reveal_, copy_})
        b->setVisible(image != nullptr);
    if (!image)
        return;
    markUp_->setText(image->hasAnnotations() ? "Edit marks" : "Mark up");
    sizeToggle_->setText(actualSize_ ? "Fit to window" : "Actual size");
    sizeToggle_->setToolTip(sizeToggle_->text());
    sizeToggle_->setIcon(
        symbolIcon(actualSize_ ? "arrow.down.right.and.arrow.up.left" : "arrow.up.left.and.arrow.down.right"));
    QImageReader reader(image->displayFile());
    QImage picture = reader.read();
    if (picture.isNull()) {
        image_->setPixmap(BoardPainting::symbol(
            "photo.badge.exclamationmark", Theme::shared().color(Theme::Color::textTertiary), 40, devicePixelRatioF()));
        image_->setToolTip("Image missing");
        image_->adjustSize();
        return;
    }
    image_->setToolTip(QString());
    const qreal dpr = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (actualSize_) {
        // One image pixel per device pixel.
        pixmap.setDevicePixelRatio(dpr);
    } else {
        const QSize room = imageScroll_->viewport()->size() * dpr;
        if (pixmap.width() > room.width() || pixmap.height() > room.height())
            pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(dpr);
    }
    image_->setPixmap(pixmap);
    image_->adjustSize();
}

void CaptureDetailView::refreshComments() {
    clear(comments_);
    std::vector<Comment> all;
    try {
        all = library_.store().comments(*captureID_);
    } catch (const ZorviError&) {
    }
    commentsHeading_->setText(all.empty() ? QStringLiteral("Comments") : QString("Comments (%1)").arg(all.size()));
    for (const Comment& comment : all) {
        QString who = comment.actorLabel.value_or(comment.author).toHtmlEscaped();
        if (comment.isConflict())
            who += " — edited at the same time; kept here";
        const QString mark = comment.isConflict() ? "⑂" : comment.isAgent ? "✨" : "●";
        auto* label = new QLabel(QString("%1 <b>%2</b> · %3<br>%4")
                                     .arg(mark, who, RelativeTime::string(comment.createdAt),
                                          comment.body.toHtmlEscaped().replace("\n", "<br>")));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        comments_->addWidget(label);
    }
}

void CaptureDetailView::refreshHistory() {
    clear(history_);
    std::vector<ActivityEvent> events;
    try {
        events = library_.store().activity(*captureID_);
    } catch (const ZorviError&) {
    }
    const auto person = [this](const std::optional<QString>& id) { return library_.person(id); };
    for (const ActivityEvent& e : events) {
        auto* label = new QLabel(ActivityLine::text(e, person) + "  ·  " + RelativeTime::string(e.createdAt));
        label->setWordWrap(true);
        history_->addWidget(label);
    }
}

bool CaptureDetailView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imageScroll_->viewport() && event->type() == QEvent::Resize && captureID_ && !actualSize_)
        showSelectedImage();
    return QWidget::eventFilter(watched, event);
}
