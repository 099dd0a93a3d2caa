#include "CaptureImagePane.h"

#include "BoardPainting.h"
#include "ui/Labels.h"
#include "HeaderButton.h"
#include "ShownCapture.h"
#include "library/Library.h"
#include "export/SaveAsButton.h"
#include "platform/FileManagerReveal.h"
#include "ui/AppNotifications.h"
#include "ui/SymbolIcons.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

CaptureImagePane::CaptureImagePane(Library& library, const ShownCapture& shown, QWidget* parent)
    : QWidget(parent), library_(library), shown_(shown) {
    sizeToggle_ = headerButton("arrow.up.left.and.arrow.down.right", tr("Actual size"));
    connect(sizeToggle_, &QToolButton::clicked, this, [this] {
        actualSize_ = !actualSize_;
        showSelectedImage();
    });
    QToolButton* reveal = headerButton("folder", tr("Show in Folder"));
    connect(reveal, &QToolButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            FileManagerReveal::showItem(image->originalFile());
    });
    QToolButton* copy = headerButton("doc.on.doc", tr("Copy image"));
    connect(copy, &QToolButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            QApplication::clipboard()->setImage(QImage(image->displayFile()));
    });
    headerButtons_ = {sizeToggle_, reveal, copy};

    auto* withImage = new QWidget;
    auto* withImageLayout = new QVBoxLayout(withImage);
    withImageLayout->setContentsMargins(0, 0, 0, 0);
    markUp_ = new QPushButton(symbolIcon("pencil.tip.crop.circle"), tr("Mark up"));
    markUp_->setObjectName("markUp");
    connect(markUp_, &QPushButton::clicked, this, [this] {
        if (const CaptureImage* image = selectedImage())
            AppNotifications::shared().requestAnnotation(image->id);
    });
    scroll_ = new QScrollArea;
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setFrameShape(QFrame::NoFrame);
    image_ = new QLabel;
    image_->setObjectName("detailImage");
    image_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(image_);
    scroll_->setWidgetResizable(false);
    // Fitted to the room the pane really has, which settles only after the layout has run.
    scroll_->viewport()->installEventFilter(this);
    auto* imageActions = new QHBoxLayout;
    imageActions->addStretch(1);
    imageActions->addWidget(makeSaveAsButton(
        [this] { return selectedImage(); },
        [this] {
            const Capture* c = shown_.capture();
            return c ? SaveAsName::Context{c->createdAt.toLocalTime(), c->context.appName.value_or(QString()), c->note}
                     : SaveAsName::Context{};
        },
        this));
    imageActions->addWidget(markUp_);
    withImageLayout->addLayout(imageActions);
    withImageLayout->addWidget(scroll_, 1);

    pages_ = new QStackedWidget;
    pages_->addWidget(withImage);
    pages_->addWidget(buildNoImagePage());

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
        if (id.isEmpty())
            return requestScreenshot();
        selectedImageID_ = id;
        showSelectedImage();
    });
    connect(filmstrip_, &QListWidget::customContextMenuRequested, this, &CaptureImagePane::showFilmstripMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 8);
    layout->addWidget(pages_, 1);
    layout->addWidget(filmstrip_);
}

QWidget* CaptureImagePane::buildNoImagePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* icon = new QLabel;
    icon->setPixmap(BoardPainting::symbol("text.alignleft", Theme::shared().color(Theme::Color::textTertiary), 36,
                                          devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = Labels::strong(tr("No screenshot"));
    title->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(tr("This issue was filed as text. Add a screenshot and it shows up here, on the card, "
                               "and for your agent."));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    auto* add = new QPushButton(symbolIcon("plus"), tr("Add screenshot"));
    add->setObjectName("addScreenshot");
    connect(add, &QPushButton::clicked, this, &CaptureImagePane::requestScreenshot);
    layout->addStretch();
    layout->addWidget(icon);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addWidget(add, 0, Qt::AlignHCenter);
    layout->addStretch();
    return page;
}

void CaptureImagePane::requestScreenshot() {
    if (shown_.id())
        AppNotifications::shared().requestScreenshot(*shown_.id());
}

void CaptureImagePane::showFilmstripMenu(const QPoint& at) {
    QListWidgetItem* item = filmstrip_->itemAt(at);
    const QString id = item ? item->data(Qt::UserRole).toString() : QString();
    const auto it = std::find_if(images_.begin(), images_.end(), [&](const CaptureImage& i) { return i.id == id; });
    if (it == images_.end())
        return;
    const CaptureImage image = *it;
    QMenu menu(this);
    menu.addAction(symbolIcon("trash"), tr("Remove this screenshot"), this,
                   [this, image] { library_.deleteImage(image); });
    menu.exec(filmstrip_->viewport()->mapToGlobal(at));
}

void CaptureImagePane::reset() {
    selectedImageID_.reset();
    actualSize_ = false;
}

const CaptureImage* CaptureImagePane::selectedImage() const {
    for (const CaptureImage& image : images_)
        if (selectedImageID_ && image.id == *selectedImageID_)
            return &image;
    return images_.empty() ? nullptr : &images_.front();
}

void CaptureImagePane::refresh() {
    images_.clear();
    if (shown_.id()) {
        try {
            images_ = library_.store().images(*shown_.id());
        } catch (const ZorviError&) {
        }
    }
    if (!selectedImage() || (selectedImageID_ && selectedImage()->id != *selectedImageID_))
        selectedImageID_ = images_.empty() ? std::nullopt : std::optional(images_.front().id);
    fillFilmstrip();
    showSelectedImage();
}

void CaptureImagePane::fillFilmstrip() {
    filmstrip_->clear();
    for (const CaptureImage& image : images_) {
        QPixmap thumb;
        if (const auto path = image.thumbFile())
            thumb.load(*path);
        if (thumb.isNull())
            thumb.load(image.displayFile());
        auto* item = new QListWidgetItem(QIcon(thumb), QString());
        item->setData(Qt::UserRole, image.id);
        item->setToolTip(image.hasAnnotations() ? tr("Marked up — click to edit") : tr("Click to mark up"));
        filmstrip_->addItem(item);
        if (selectedImageID_ == image.id)
            item->setSelected(true);
    }
    auto* add = new QListWidgetItem(QIcon(BoardPainting::symbol(
                                        "plus", Theme::shared().color(Theme::Color::textSecondary), 24, devicePixelRatioF())),
                                    QString());
    add->setToolTip(tr("Add another screenshot to this capture"));
    filmstrip_->addItem(add);
}

void CaptureImagePane::showSelectedImage() {
    const CaptureImage* image = selectedImage();
    pages_->setCurrentIndex(image ? 0 : 1);
    filmstrip_->setVisible(image != nullptr);
    for (QToolButton* b : headerButtons_)
        b->setVisible(image != nullptr);
    if (!image)
        return;
    markUp_->setText(image->hasAnnotations() ? tr("Edit marks") : tr("Mark up"));
    sizeToggle_->setText(actualSize_ ? tr("Fit to window") : tr("Actual size"));
    sizeToggle_->setToolTip(sizeToggle_->text());
    sizeToggle_->setIcon(
        symbolIcon(actualSize_ ? "arrow.down.right.and.arrow.up.left" : "arrow.up.left.and.arrow.down.right"));
    QImageReader reader(image->displayFile());
    QImage picture = reader.read();
    if (picture.isNull()) {
        image_->setPixmap(BoardPainting::symbol(
            "photo.badge.exclamationmark", Theme::shared().color(Theme::Color::textTertiary), 40, devicePixelRatioF()));
        image_->setToolTip(tr("Image missing"));
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
        const QSize room = scroll_->viewport()->size() * dpr;
        if (pixmap.width() > room.width() || pixmap.height() > room.height())
            pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(dpr);
    }
    image_->setPixmap(pixmap);
    image_->adjustSize();
}

bool CaptureImagePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize && shown_.id() && !actualSize_)
        showSelectedImage();
    return QWidget::eventFilter(watched, event);
}
