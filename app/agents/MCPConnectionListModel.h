#pragma once

#include "agents/MCPInstaller.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

// The state behind the list of coding-agent clients: each client's
// connection, the last install or remove failure, and the order the rows are
// shown in. All file work is the installer's.
class MCPConnectionListModel : public QObject {
    Q_OBJECT
public:
    using Client = MCPInstaller::Client;
    using Status = MCPInstaller::Status;

    explicit MCPConnectionListModel(QObject* parent = nullptr);

    // Likely-installed clients first, then by display name.
    static QList<Client> orderedClients();
    // Shown under a client's name while it is not connected.
    static QString description(Client client);
    static QString iconName(Client client);

    const QMap<Client, Status>& statuses() const { return statuses_; }
    Status status(Client client) const { return statuses_.value(client, Status::notConnected()); }
    const std::optional<QString>& error() const { return error_; }
    // Whether the server executable the entries point at exists.
    static bool serverExists();

    void refresh();
    void connectClient(Client client);
    void disconnectClient(Client client);

signals:
    void changed();

private:
    QMap<Client, Status> statuses_;
    std::optional<QString> error_;
};
