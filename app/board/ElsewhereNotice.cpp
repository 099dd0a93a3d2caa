#include "board/ElsewhereNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

ElsewhereNotice::ElsewhereNotice(const QString& what, QWidget* parent) : QFrame(parent), preview_(new QLabel) {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 6, 6);
    auto* row = new QHBoxLayout;
    auto* message = new QLabel(tr("%1 was changed elsewhere while you were editing. Yours is kept.").arg(what));
    message->setWordWrap(true);
    auto* useTheirs = new QPushButton(tr("Use their version"));
    useTheirs->setObjectName(QStringLiteral("useTheirs"));
    auto* close = new QToolButton;
    close->setText(QStringLiteral("×"));
    close->setToolTip(tr("Keep mine"));
    close->setAutoRaise(true);
    row->addWidget(message, 1);
    row->addWidget(useTheirs);
    row->addWidget(close);
    layout->addLayout(row);
    preview_->setObjectName(QStringLiteral("theirVersion"));
    preview_->setWordWrap(true);
    preview_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(preview_);
    connect(useTheirs, &QPushButton::clicked, this, [this] {
        hide();
        emit useTheirsRequested();
    });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit dismissed();
    });
    hide();
}

void ElsewhereNotice::showTheirs(const QString& theirs) {
    preview_->setText(theirs.isEmpty() ? tr("(empty)") : theirs);
    show();
}
