#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// Connects the zorvi-mcp server to coding-agent clients by writing one
// "zorvi" entry into each client's own JSON configuration file, and reads
// those files back to tell whether each client is connected. File work in
// the user's home folder only: no client is launched or contacted.
class MCPInstaller {
public:
    enum class Client { claudeCode, claudeDesktop, cursor, vsCode };

    struct Status {
        enum class Kind { connected, stale, notConnected };
        Kind kind = Kind::notConnected;
        // For stale: the command the entry names instead of ours.
        QString existingPath;

        static Status connected() { return {Kind::connected, {}}; }
        static Status stale(QString path) { return {Kind::stale, std::move(path)}; }
        static Status notConnected() { return {Kind::notConnected, {}}; }
        bool operator==(const Status& other) const {
            return kind == other.kind && (kind != Kind::stale || existingPath == other.existingPath);
        }
    };

    static QList<Client> allCases();
    static QString id(Client client);
    static QString displayName(Client client);
    static QString agentName(Client client);
    static QString topLevelKey(Client client);
    static QString configURL(Client client);
    static bool isLikelyInstalled(Client client);

    // zorvi-mcp beside the running executable when it is there, else the build
    // tree's mcp/zorvi-mcp when that is, else the first candidate anyway.
    static QString serverExecutableURL();
    static QString serverExecutableURL(const QString& applicationDir);

    static QJsonObject serverEntry(const QString& agentName);

    static Status status(Client client);
    // Returns the configuration file's path. Throws MCPInstallerError.
    static QString install(Client client);
    // A missing file or entry is no error. Throws MCPInstallerError.
    static void remove(Client client);

    static QString configSnippet(Client client);
    static QString claudeCodeCommandLine();
};
