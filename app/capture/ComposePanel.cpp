#include "capture/ComposePanel.h"

#include "ui/NoteLengthWarning.h"
#include "capture/ComposeProblemBanner.h"
#include "ui/SymbolIcons.h"
#include "ui/Labels.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int previewWidth = 400;
constexpr int previewHeight = 220;
constexpr int stripHeight = 44;

enum GroupItem { noGroupItem = 0 };

} // namespace

ComposePanel::ComposePanel(std::unique_ptr<ComposeModel> model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), model_(std::move(model)) {
    setWindowTitle(tr("Zorvi note"));
    setObjectName(QStringLiteral("composePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#composePanel { border: 1px solid palette(mid); border-radius: 8px; }"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    if (model_->problem) {
        auto* banner = new ComposeProblemBanner(*model_->problem);
        connect(banner, &ComposeProblemBanner::retryRequested, this, [this] { model_->save(); });
        connect(banner, &ComposeProblemBanner::saveWithoutImageRequested, this,
                [this] { model_->saveWithoutFailedImage(); });
        layout->addWidget(banner);
    }
    if (!model_->notice.isEmpty()) {
        auto* notice = new QLabel(model_->notice);
        notice->setObjectName(QStringLiteral("composeNotice"));
        notice->setWordWrap(true);
        layout->addWidget(notice);
    }
    layout->addWidget(buildPicture());
    layout->addWidget(buildContextRow());

    note_ = new QPlainTextEdit(model_->note);
    note_->setPlaceholderText(model_->pending().images.isEmpty() ? tr("What's the issue?") : tr("What's wrong here?"));
    note_->setFixedHeight(90);
    note_->setTabChangesFocus(true);
    connect(note_, &QPlainTextEdit::textChanged, this, [this] {
        model_->note = note_->toPlainText();
        save_->setEnabled(model_->canSave());
    });
    layout->addWidget(note_);
    layout->addWidget(new NoteLengthWarning(note_));

    tags_ = new QLineEdit(model_->tagText);
    tags_->setPlaceholderText(tr("tags, comma separated"));
    connect(tags_, &QLineEdit::textChanged, this, [this](const QString& text) { model_->tagText = text; });
    layout->addWidget(tags_);

    auto* row = new QHBoxLayout;
    row->addWidget(buildGroupPicker(), 1);
    row->addWidget(buildPriority());
    layout->addLayout(row);

    auto* footer = new QHBoxLayout;
    auto* discard = new QPushButton(tr("Discard"));
    discard->setToolTip(tr("Esc"));
    save_ = new QPushButton(tr("Save to board"));
    save_->setObjectName(QStringLiteral("composeSave"));
    save_->setToolTip(tr("Ctrl+Enter"));
    save_->setDefault(true);
    // A note-only capture needs words before there is anything to file.
    save_->setEnabled(model_->canSave());
    connect(discard, &QPushButton::clicked, this, [this] { model_->discard(); });
    connect(save_, &QPushButton::clicked, this, [this] { model_->save(); });
    footer->addStretch();
    footer->addWidget(discard);
    footer->addWidget(save_);
    layout->addLayout(footer);

    // Window-wide, so they work while the note field has the keyboard.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] { model_->save(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, [this] {
        if (groupStack_->currentIndex() == 1) {
            model_->cancelNewGroup();
            groupStack_->setCurrentIndex(0);
        } else if (model_->hasTypedText()) {
            confirmDiscard();
        } else {
            model_->discard();
        }
    });

    setFixedWidth(previewWidth + 32);
    // The note has the keyboard from the first moment, so nothing typed right away is lost.
    note_->setFocus();
    note_->moveCursor(QTextCursor::End);
}

ComposePanel::~ComposePanel() = default;

void ComposePanel::confirmDiscard() {
    // Not modal to the loop: the note box stays up behind the question.
    auto* ask = new QMessageBox(QMessageBox::Question, tr("Discard this capture?"), tr("Discard this capture?"),
                                QMessageBox::NoButton, this);
    ask->setObjectName(QStringLiteral("confirmDiscard"));
    ask->setInformativeText(tr("What you typed in the note box will be lost."));
    // Alt+D discards from the keyboard; Enter and Esc keep editing.
    QPushButton* drop = ask->addButton(tr("&Discard"), QMessageBox::DestructiveRole);
    QPushButton* keep = ask->addButton(tr("&Keep Editing"), QMessageBox::RejectRole);
    ask->setDefaultButton(keep);
    ask->setEscapeButton(keep);
    ask->setAttribute(Qt::WA_DeleteOnClose);
    connect(ask, &QMessageBox::finished, this, [this, ask, drop] {
        if (ask->clickedButton() == drop)
            model_->discard();
        else
            note_->setFocus();
    });
    ask->open();
}

QWidget* ComposePanel::buildPicture() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    const QList<PendingImage>& images = model_->pending().images;
    if (images.isEmpty()) {
        auto* title = Labels::strong(tr("No screenshot"));
        auto* line = Labels::body(tr("Just the note. You can add one now, or later from the board."));
        auto* add = new QPushButton(symbolIcon(QStringLiteral("plus")), tr("Add screenshot"));
        add->setToolTip(tr("Take a screenshot for this issue"));
        connect(add, &QPushButton::clicked, this, [this] { model_->addScreenshot(); });
        layout->addWidget(title);
        layout->addWidget(line);
        layout->addWidget(add, 0, Qt::AlignLeft);
        return area;
    }

    preview_ = new QLabel;
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFixedSize(previewWidth, previewHeight);
    preview_->setCursor(Qt::PointingHandCursor);
    preview_->setToolTip(tr("Click to mark up"));
    preview_->installEventFilter(this);
    previewSize_ = new QLabel;
    layout->addWidget(preview_);
    auto* caption = new QHBoxLayout;
    caption->addWidget(new QLabel(tr("Click to mark up")));
    caption->addStretch();
    caption->addWidget(previewSize_);
    layout->addLayout(caption);

    auto* strip = new QHBoxLayout;
    for (const PendingImage& image : images) {
        auto* thumb = new QToolButton;
        thumb->setIcon(QPixmap::fromImage(image.image.scaled(stripHeight * 2, stripHeight, Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation)));
        thumb->setIconSize(QSize(stripHeight * 2, stripHeight));
        thumb->setCheckable(true);
        thumb->setAutoExclusive(true);
        thumb->setChecked(image.id == model_->selectedImageID);
        connect(thumb, &QToolButton::clicked, this, [this, id = image.id] {
            model_->selectedImageID = id;
            showSelectedImage();
        });
        strip->addWidget(thumb);
    }
    auto* more = new QToolButton;
    more->setIcon(symbolIcon(QStringLiteral("plus")));
    more->setText(QStringLiteral("+"));
    more->setToolTip(tr("Take another screenshot for this same capture"));
    connect(more, &QToolButton::clicked, this, [this] { model_->addScreenshot(); });
    strip->addWidget(more);
    strip->addStretch();
    layout->addLayout(strip);
    showSelectedImage();
    return area;
}

void ComposePanel::showSelectedImage() {
    const PendingImage* image = model_->selected();
    if (!image || !preview_)
        return;
    const qreal dpr = devicePixelRatioF();
    QImage fitted = image->image.scaled(QSize(previewWidth, previewHeight) * dpr, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(dpr);
    preview_->setPixmap(QPixmap::fromImage(fitted));
    previewSize_->setText(QStringLiteral("%1 × %2").arg(image->image.width()).arg(image->image.height()));
}

QWidget* ComposePanel::buildContextRow() {
    const CaptureContext& context = model_->pending().context;
    // Some desktops never say which app has the focus (GNOME keeps it to its
    // extensions); naming the gap reads better than an empty row.
    QStringList parts{context.appName.value_or(tr("Unknown app"))};
    if (const std::optional<QString> title = model_->distinctWindowTitle())
        parts << *title;
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    const QString text = parts.join(QStringLiteral(" — "));
    label->setText(QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, previewWidth));
    label->setToolTip(text);
    auto* row = new QWidget;
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    if (context.url) {
        auto* url = new QLabel(QStringLiteral("🔗 ") + *context.url);
        url->setTextFormat(Qt::PlainText);
        layout->addWidget(url);
    }
    return row;
}

QWidget* ComposePanel::buildGroupPicker() {
    groupStack_ = new QStackedWidget;
    groups_ = new QComboBox;
    fillGroups();
    connect(groups_, &QComboBox::activated, this, &ComposePanel::groupChosen);
    groupStack_->addWidget(groups_);

    auto* naming = new QWidget;
    auto* layout = new QHBoxLayout(naming);
    layout->setContentsMargins(0, 0, 0, 0);
    groupName_ = new QLineEdit(model_->newGroupName);
    groupName_->setPlaceholderText(tr("Group name"));
    connect(groupName_, &QLineEdit::textChanged, this, [this](const QString& text) { model_->newGroupName = text; });
    connect(groupName_, &QLineEdit::returnPressed, this, &ComposePanel::commitGroup);
    auto* confirm = new QToolButton;
    confirm->setText(QStringLiteral("✓"));
    confirm->setToolTip(tr("Create group"));
    connect(confirm, &QToolButton::clicked, this, &ComposePanel::commitGroup);
    auto* cancel = new QToolButton;
    cancel->setText(QStringLiteral("✕"));
    cancel->setToolTip(tr("Cancel"));
    connect(cancel, &QToolButton::clicked, this, [this] {
        model_->cancelNewGroup();
        groupName_->clear();
        groupStack_->setCurrentIndex(0);
    });
    layout->addWidget(groupName_, 1);
    layout->addWidget(confirm);
    layout->addWidget(cancel);
    groupStack_->addWidget(naming);
    groupStack_->setCurrentIndex(model_->isNamingGroup ? 1 : 0);
    return groupStack_;
}

void ComposePanel::fillGroups() {
    groups_->clear();
    groups_->addItem(tr("No group"));
    for (const CaptureGroup& group : model_->allGroups()) {
        groups_->addItem(group.name, group.id);
        if (group.id == model_->groupID)
            groups_->setCurrentIndex(groups_->count() - 1);
    }
    groups_->addItem(tr("New group…"));
}

void ComposePanel::groupChosen(int index) {
    if (index == groups_->count() - 1) {
        model_->isNamingGroup = true;
        groupStack_->setCurrentIndex(1);
        groupName_->setFocus();
        return;
    }
    model_->groupID = index == noGroupItem ? std::nullopt : std::optional<QString>(groups_->itemData(index).toString());
}

void ComposePanel::commitGroup() {
    model_->commitNewGroup();
    if (!model_->isNamingGroup) {
        groupStack_->setCurrentIndex(0);
        groupName_->clear();
    }
    fillGroups();
    QTimer::singleShot(50, note_, [this] { note_->setFocus(); });
}

QWidget* ComposePanel::buildPriority() {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // The chosen priority must stand out in light and dark alike; a sunken button barely does in dark.
    box->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid palette(mid); border-radius: 4px; padding: 2px 8px; }"
        " QToolButton:checked { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(highlight); }"
        // Keyboard users must see which one Tab reached, checked or not.
        " QToolButton:focus { border: 2px solid palette(highlight); padding: 1px 7px; }"
        " QToolButton:checked:focus { border-color: palette(text); }"));
    auto* exclusive = new QButtonGroup(box);
    for (CapturePriority priority : allCapturePriorities) {
        auto* button = new QToolButton;
        button->setText(rawValue(priority));
        button->setCheckable(true);
        button->setChecked(priority == model_->priority);
        exclusive->addButton(button);
        connect(button, &QToolButton::clicked, this, [this, priority] { model_->priority = priority; });
        layout->addWidget(button);
    }
    return box;
}

bool ComposePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == preview_ && event->type() == QEvent::MouseButtonRelease) {
        if (const PendingImage* image = model_->selected())
            model_->annotate(image->id);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Ctrl+Enter that reached the window as a plain key press: the shortcut map
// ignores a window Qt does not yet count as active, which on Wayland can lag
// behind the compositor's keyboard focus while the overlay hands over to us.
void ComposePanel::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        model_->save();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ComposePanel::mousePressEvent(QMouseEvent* event) {
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void ComposePanel::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - dragOffset_);
}
