#include "MCPConnectionList.h"

#include "CodeBlock.h"
#include "ui/Labels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QWidget* warning(const QString& text, const QString& objectName) {
    QWidget* box = Labels::warning(text);
    box->setObjectName(objectName);
    return box;
}

} // namespace

MCPConnectionList::MCPConnectionList(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!MCPConnectionListModel::serverExists())
        layout->addWidget(warning(tr("The bundled MCP server wasn't found beside Zorvi. Reinstall the app, or point "
                                     "your agent at the server manually."),
                                  "serverMissing"));
    layout->addLayout(rows_);
    error_ = warning({}, "error");
    error_->hide();
    layout->addWidget(error_);
    layout->addWidget(Labels::secondary(tr("Restart your agent after connecting so it picks up the new server.")));

    auto* manualToggle = new QToolButton;
    manualToggle->setObjectName("manualToggle");
    manualToggle->setText(tr("Set it up manually instead"));
    manualToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    manualToggle->setCheckable(true);
    manualToggle->setAutoRaise(true);
    manualToggle->setArrowType(Qt::RightArrow);
    layout->addWidget(manualToggle, 0, Qt::AlignLeft);

    auto* manual = new QWidget;
    manual->setObjectName("manual");
    auto* manualLayout = new QVBoxLayout(manual);
    manualLayout->setContentsMargins(0, 0, 0, 0);
    manualLayout->addWidget(new QLabel(tr("Claude Code — run this once:")));
    manualLayout->addWidget(new CodeBlock(MCPInstaller::claudeCodeCommandLine()));
    manualLayout->addWidget(new QLabel(tr("Or add this to your client's MCP config:")));
    manualLayout->addWidget(new CodeBlock(MCPInstaller::configSnippet(MCPInstaller::Client::claudeDesktop)));
    manual->hide();
    layout->addWidget(manual);
    connect(manualToggle, &QToolButton::toggled, this, [manual, manualToggle](bool on) {
        manual->setVisible(on);
        manualToggle->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
    });

    connect(&model_, &MCPConnectionListModel::changed, this, &MCPConnectionList::rebuildRows);
    rebuildRows();
}

void MCPConnectionList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.refresh();
}

void MCPConnectionList::rebuildRows() {
    // Later: a row's own button may be what asked for this.
    while (QLayoutItem* item = rows_->takeAt(0)) {
        item->widget()->hide();
        item->widget()->setObjectName({});
        item->widget()->deleteLater();
        delete item;
    }
    using Kind = MCPInstaller::Status::Kind;
    for (MCPInstaller::Client client : MCPConnectionListModel::orderedClients()) {
        auto* row = new QWidget;
        row->setObjectName("client-" + MCPInstaller::id(client));
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 4, 0, 4);
        h->addWidget(Labels::symbol(MCPConnectionListModel::iconName(client), 22));

        auto* text = new QVBoxLayout;
        QString name = "<b>" + MCPInstaller::displayName(client).toHtmlEscaped() + "</b>";
        if (!MCPInstaller::isLikelyInstalled(client))
            name += " <span style='color: gray'>" + tr("not detected") + "</span>";
        text->addWidget(new QLabel(name));

        const MCPInstaller::Status status = model_.status(client);
        QString line;
        QString action;
        auto* statusRow = new QHBoxLayout;
        switch (status.kind) {
        case Kind::connected:
            statusRow->addWidget(Labels::symbol("checkmark.circle.fill", 14, QColor(0x2e, 0xa0, 0x43)));
            line = tr("Connected");
            action = tr("Disconnect");
            break;
        case Kind::stale:
            line = tr("Points at an older copy of Zorvi");
            action = tr("Repair");
            break;
        case Kind::notConnected:
            line = MCPConnectionListModel::description(client);
            action = tr("Connect");
            break;
        }
        auto* statusLabel = Labels::secondary(line);
        statusLabel->setObjectName("status");
        statusRow->addWidget(statusLabel, 1);
        text->addLayout(statusRow);
        h->addLayout(text, 1);

        auto* button = new QPushButton(action);
        button->setObjectName("action");
        connect(button, &QPushButton::clicked, this, [this, client, kind = status.kind] {
            if (kind == Kind::connected)
                model_.disconnectClient(client);
            else
                model_.connectClient(client);
        });
        h->addWidget(button);
        rows_->addWidget(row);
    }
    error_->setVisible(model_.error().has_value());
    error_->findChild<QLabel*>("text")->setText(model_.error().value_or(QString()));
}
