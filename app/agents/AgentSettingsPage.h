#pragma once

#include <QWidget>

class MCPConnectionList;

// The settings window's Agent tab: what the MCP server is, the connection
// panel, and what an agent can do with it.
class AgentSettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit AgentSettingsPage(QWidget* parent = nullptr);

    MCPConnectionList* connections() const { return connections_; }

private:
    MCPConnectionList* connections_;
};
