#include "board/UndoBar.h"

#include "library/UndoHistory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

UndoBar::UndoBar(UndoHistory& history, QWidget* parent)
    : QFrame(parent), history_(history), notice_(new QLabel) {
    setObjectName(QStringLiteral("undoBar"));
    setFrameShape(QFrame::StyledPanel);
    notice_->setObjectName(QStringLiteral("undoNotice"));
    auto* undo = new QPushButton(tr("Undo"));
    undo->setObjectName(QStringLiteral("undoButton"));
    undo->setToolTip(tr("Ctrl+Z"));
    auto* close = new QToolButton;
    close->setText(QStringLiteral("×"));
    close->setToolTip(tr("Hide"));
    close->setAutoRaise(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 4, 6, 4);
    layout->addWidget(notice_, 1);
    layout->addWidget(undo);
    layout->addWidget(close);
    connect(undo, &QPushButton::clicked, &history_, [this] { history_.undo(); });
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    connect(&history_, &UndoHistory::pushed, this, [this] {
        refresh();
        show();
    });
    connect(&history_, &UndoHistory::changed, this, &UndoBar::refresh);
    hide();
}

void UndoBar::refresh() {
    if (!history_.canUndo()) {
        hide();
        return;
    }
    notice_->setText(history_.nextNotice());
}
