#pragma once

#include "MCPConnectionListModel.h"

#include <QWidget>

class QVBoxLayout;

// The panel that connects zorvi-mcp to coding-agent clients: one row per
// client with its state and one button, the last failure, and the manual
// set-up instructions. Shown in settings and in the first-run guide.
class MCPConnectionList : public QWidget {
    Q_OBJECT
public:
    explicit MCPConnectionList(QWidget* parent = nullptr);

    MCPConnectionListModel& model() { return model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows();

    MCPConnectionListModel model_;
    QVBoxLayout* rows_;
    QWidget* error_;
};
