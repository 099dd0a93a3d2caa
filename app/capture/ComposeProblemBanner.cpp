#include "capture/ComposeProblemBanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ComposeProblemBanner::ComposeProblemBanner(const ComposeModel::Problem& problem, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("composeProblem"));
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("#composeProblem { border: 1px solid #EF4444; border-radius: 6px; }"));
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(problem.message);
    message->setObjectName(QStringLiteral("composeProblemMessage"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (problem.imageID) {
        auto* without = new QPushButton(tr("Save without this screenshot"));
        without->setObjectName(QStringLiteral("saveWithoutScreenshot"));
        connect(without, &QPushButton::clicked, this, &ComposeProblemBanner::saveWithoutImageRequested);
        buttons->addWidget(without);
    }
    auto* retry = new QPushButton(tr("Try again"));
    retry->setObjectName(QStringLiteral("retrySave"));
    connect(retry, &QPushButton::clicked, this, &ComposeProblemBanner::retryRequested);
    buttons->addWidget(retry);
    layout->addLayout(buttons);
}
