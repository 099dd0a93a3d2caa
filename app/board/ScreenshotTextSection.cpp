#include "ScreenshotTextSection.h"

#include "library/Library.h"

#include "ui/SymbolIcons.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

ScreenshotTextSection::ScreenshotTextSection(Library& library, QWidget* parent)
    : QWidget(parent), library_(library), text_(new QPlainTextEdit) {
    setObjectName("screenshotText");
    auto* title = new QLabel(tr("Text in screenshots"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* copy = new QToolButton;
    copy->setObjectName("copyScreenshotText");
    copy->setIcon(symbolIcon("doc.on.doc"));
    copy->setText(tr("Copy text"));
    copy->setToolTip(tr("Copy text"));
    copy->setAutoRaise(true);
    connect(copy, &QToolButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(text_->toPlainText()); });
    text_->setReadOnly(true);
    text_->setMaximumHeight(140);
    text_->setToolTip(tr("Read from the screenshots by text recognition; words may be misread."));

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(title, 1);
    row->addWidget(copy);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(text_);
    connect(&library_, &Library::screenshotTextChanged, this, &ScreenshotTextSection::reload);
    setVisible(false);
}

void ScreenshotTextSection::showCapture(const std::optional<QString>& captureID) {
    captureID_ = captureID;
    reload();
}

void ScreenshotTextSection::reload() {
    QStringList texts;
    if (captureID_) {
        try {
            texts = library_.store().screenshotText(*captureID_);
        } catch (const ZorviError&) {
            // The text is an extra: without it the section stays hidden.
        }
    }
    const QString joined = texts.join("\n\n");
    if (joined != text_->toPlainText())
        text_->setPlainText(joined);
    setVisible(!joined.isEmpty());
}
