#include "CodeBlock.h"

#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

CodeBlock::CodeBlock(const QString& text, QWidget* parent)
    : QFrame(parent), text_(text), copyButton_(new QToolButton(this)) {
    setFrameShape(QFrame::StyledPanel);
    setBackgroundRole(QPalette::AlternateBase);
    setAutoFillBackground(true);
    auto* label = new QLabel(text, this);
    label->setObjectName("code");
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    copyButton_->setObjectName("copy");
    copyButton_->setAutoRaise(true);
    copyButton_->setToolTip(tr("Copy"));
    setJustCopied(false);
    connect(copyButton_, &QToolButton::clicked, this, &CodeBlock::copy);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(label, 1);
    layout->addWidget(copyButton_, 0, Qt::AlignTop);
}

void CodeBlock::copy() {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text_);
    setJustCopied(true);
    QTimer::singleShot(copiedFeedbackMs, this, [this] { setJustCopied(false); });
}

void CodeBlock::setJustCopied(bool copied) {
    justCopied_ = copied;
    copyButton_->setIcon(symbolIcon(copied ? "checkmark" : "doc.on.doc"));
}
