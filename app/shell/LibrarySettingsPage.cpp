#include "LibrarySettingsPage.h"

#include "ui/AppNotifications.h"
#include "ui/SymbolIcons.h"

#include "library/Library.h"
#include "platform/FileManagerReveal.h"
#include "store/ZorviPaths.h"
#include "ui/Labels.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

LibrarySettingsPage::LibrarySettingsPage(Library& library, QWidget* parent)
    : QWidget(parent), library_(library), captures_(new QLabel), open_(new QLabel), inProgress_(new QLabel),
      size_(new QLabel) {
    auto* layout = new QVBoxLayout(this);

    auto* here = new QGroupBox(tr("On this computer"));
    auto* form = new QFormLayout(here);
    captures_->setObjectName("captureCount");
    open_->setObjectName("openCount");
    inProgress_->setObjectName("inProgressCount");
    size_->setObjectName("sizeOnDisk");
    form->addRow(tr("Captures"), captures_);
    // The same rows, words and numbers as the board's sidebar.
    form->addRow(tr("Open"), open_);
    form->addRow(tr("In Progress"), inProgress_);
    form->addRow(tr("Screenshots on disk"), size_);
    auto* location = new QHBoxLayout;
    // The home folder reads as "~", as in a file manager's path bar; the tooltip has it in full.
    const QString folder = ZorviPaths::support();
    const QString home = QDir::homePath();
    auto* path = new QLabel(folder.startsWith(home + '/') ? "~" + folder.mid(home.size()) : folder);
    path->setToolTip(folder);
    path->setObjectName("location");
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path->setWordWrap(true);
    auto* reveal = new QPushButton(symbolIcon("folder"), tr("Show in Folder"));
    connect(reveal, &QPushButton::clicked, this,
            [] { FileManagerReveal::showItem(ZorviPaths::support()); });
    location->addWidget(path, 1);
    location->addWidget(reveal);
    form->addRow(tr("Location"), location);
    auto* explanation = Labels::secondary(
        tr("Everything lives in that folder — a SQLite database and the image files. Signed in, captures also sync "
           "to your workspace; signed out, nothing leaves this computer. Back it up like any other folder."));
    form->addRow(explanation);
    layout->addWidget(here);

    auto* about = new QGroupBox(tr("About"));
    auto* aboutForm = new QFormLayout(about);
    auto* version = new QLabel(versionText());
    version->setObjectName("version");
    aboutForm->addRow(tr("Version"), version);
    auto* onboarding = new QPushButton(tr("Show onboarding again"));
    onboarding->setObjectName("showOnboarding");
    connect(onboarding, &QPushButton::clicked, this, [] { AppNotifications::shared().requestOnboarding(); });
    aboutForm->addRow(onboarding);
    layout->addWidget(about);
    layout->addStretch(1);

    connect(&library, &Library::changed, this, &LibrarySettingsPage::showCounts);
    showCounts();
}

void LibrarySettingsPage::showCounts() {
    captures_->setText(QString::number(library_.captures().size()));
    open_->setText(QString::number(library_.counts().value(CaptureStatus::open)));
    inProgress_->setText(QString::number(library_.counts().value(CaptureStatus::inProgress)));
}

void LibrarySettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    size_->setText(tr("Calculating…"));
    // Walking thousands of files stays off the UI thread.
    QPointer<QLabel> target = size_;
    QThreadPool::globalInstance()->start([target] {
        const QString text = QLocale().formattedDataSize(sizeOnDisk(), 1, QLocale::DataSizeSIFormat);
        QMetaObject::invokeMethod(qApp, [target, text] {
            if (target)
                target->setText(text);
        });
    });
}

qint64 LibrarySettingsPage::sizeOnDisk() {
    qint64 total = 0;
    for (const QString& root : {ZorviPaths::capturesRoot(), ZorviPaths::thumbsRoot()}) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            total += it.fileInfo().size();
        }
    }
    return total;
}

QString LibrarySettingsPage::versionText() {
    return QApplication::applicationVersion().isEmpty() ? QStringLiteral("1.0 (1)")
                                                        : QApplication::applicationVersion() + " (1)";
}
