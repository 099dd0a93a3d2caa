#include "AgentSettingsPage.h"

#include "MCPConnectionList.h"
#include "ui/Labels.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

AgentSettingsPage::AgentSettingsPage(QWidget* parent) : QWidget(parent), connections_(new MCPConnectionList) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Labels::heading(tr("Model Context Protocol")));
    layout->addWidget(Labels::body(tr("Zorvi ships an MCP server that reads this computer's capture library directly — "
                                      "including everything synced to it from your workspace — with no network on "
                                      "the request path. Actions it takes sync up like your own, attributed to the "
                                      "agent.")));
    layout->addWidget(connections_);

    layout->addSpacing(8);
    layout->addWidget(Labels::heading(tr("What your agent can do")));
    const QList<std::pair<const char*, QString>> tools = {
        {"list_captures", tr("See what's open, with notes and where each was found.")},
        {"get_capture", tr("Look at the actual screenshot, plus full context and comments.")},
        {"claim_capture", tr("Take ownership so you can see it's being worked on.")},
        {"comment_on_capture", tr("Post a diagnosis or a question back to you.")},
        {"resolve_capture", tr("Mark it fixed and record the commit or PR.")},
        {"reopen_capture", tr("Put it back on the board when a fix doesn't hold.")},
        {"update_capture", tr("Edit the note, priority, group or tags.")},
        {"list_groups", tr("See the groups and how much is open in each.")},
        {"capture_stats", tr("Board summary and where the open work is.")},
    };
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 150);
    grid->setColumnStretch(1, 1);
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int i = 0; i < tools.size(); ++i) {
        auto* name = new QLabel(tools[i].first);
        name->setFont(mono);
        name->setForegroundRole(QPalette::Link);
        auto* description = Labels::secondary(tools[i].second);
        grid->addWidget(name, i, 0, Qt::AlignTop);
        grid->addWidget(description, i, 1);
    }
    layout->addLayout(grid);
    layout->addStretch(1);
}
