#include "MCPConnectionListModel.h"

#include "agents/MCPInstallerError.h"

#include <QFileInfo>

#include <algorithm>

MCPConnectionListModel::MCPConnectionListModel(QObject* parent) : QObject(parent) {}

QList<MCPConnectionListModel::Client> MCPConnectionListModel::orderedClients() {
    struct Row {
        Client client;
        bool installed;
        QString name;
    };
    QList<Row> rows;
    for (Client c : MCPInstaller::allCases())
        rows.append({c, MCPInstaller::isLikelyInstalled(c), MCPInstaller::displayName(c)});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.installed != b.installed)
            return a.installed;
        return a.name < b.name;
    });
    QList<Client> out;
    for (const Row& r : rows)
        out.append(r.client);
    return out;
}

QString MCPConnectionListModel::description(Client client) {
    switch (client) {
    case Client::claudeCode:
        return tr("Terminal and IDE agent");
    case Client::claudeDesktop:
        return tr("The Claude desktop app");
    case Client::cursor:
        return tr("Cursor's") + tr(" agent");
    case Client::vsCode:
        return tr("Copilot agent mode");
    }
    return {};
}

QString MCPConnectionListModel::iconName(Client client) {
    switch (client) {
    case Client::claudeCode:
        return "terminal";
    case Client::claudeDesktop:
        return "message";
    case Client::cursor:
        return "cursorarrow.rays";
    case Client::vsCode:
        return "chevron.left.forwardslash.chevron.right";
    }
    return {};
}

bool MCPConnectionListModel::serverExists() {
    const QFileInfo server(MCPInstaller::serverExecutableURL());
    return server.isFile() && server.isExecutable();
}

void MCPConnectionListModel::refresh() {
    QMap<Client, Status> next;
    for (Client c : MCPInstaller::allCases())
        next.insert(c, MCPInstaller::status(c));
    statuses_ = next;
    emit changed();
}

void MCPConnectionListModel::connectClient(Client client) {
    try {
        MCPInstaller::install(client);
        error_.reset();
    } catch (const MCPInstallerError& e) {
        error_ = tr("Couldn't write %1's config: %2").arg(MCPInstaller::displayName(client), e.description());
    }
    refresh();
}

void MCPConnectionListModel::disconnectClient(Client client) {
    try {
        MCPInstaller::remove(client);
    } catch (const MCPInstallerError& e) {
        error_ = tr("Couldn't update %1's config: %2").arg(MCPInstaller::displayName(client), e.description());
    }
    refresh();
}
