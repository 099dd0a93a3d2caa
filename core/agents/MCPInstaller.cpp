#include "MCPInstaller.h"

#include "JsonConfigFile.h"
#include "MCPInstallerError.h"

#include "store/ZorviPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>

namespace {

struct ClientInfo {
    const char* id;
    const char* displayName;
    const char* agentName;
    const char* configPath; // under the home folder
    const char* topLevelKey;
    const char* command;    // on PATH when the client is installed; "" when it has none
};

const ClientInfo& info(MCPInstaller::Client client) {
    static const ClientInfo table[] = {
        {"claudeCode", "Claude Code", "claude-code", ".claude.json", "mcpServers", "claude"},
        {"claudeDesktop", "Claude Desktop", "claude-desktop", ".config/Claude/claude_desktop_config.json",
         "mcpServers", ""},
        {"cursor", "Cursor", "cursor", ".cursor/mcp.json", "mcpServers", "cursor"},
        {"vsCode", "VS Code", "vscode", ".config/Code/User/mcp.json", "servers", "code"},
    };
    return table[static_cast<int>(client)];
}

const QString serverName = QStringLiteral("zorvi");

bool isExecutableFile(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

} // namespace

QList<MCPInstaller::Client> MCPInstaller::allCases() {
    return {Client::claudeCode, Client::claudeDesktop, Client::cursor, Client::vsCode};
}

QString MCPInstaller::id(Client client) { return info(client).id; }
QString MCPInstaller::displayName(Client client) { return info(client).displayName; }
QString MCPInstaller::agentName(Client client) { return info(client).agentName; }
QString MCPInstaller::topLevelKey(Client client) { return info(client).topLevelKey; }

QString MCPInstaller::configURL(Client client) {
    return QDir::homePath() + '/' + info(client).configPath;
}

bool MCPInstaller::isLikelyInstalled(Client client) {
    const QString command = info(client).command;
    if (!command.isEmpty() && !QStandardPaths::findExecutable(command).isEmpty())
        return true;
    const QFileInfo config(configURL(client));
    if (client == Client::claudeCode)
        return config.exists() || QFileInfo(QDir::homePath() + "/.claude").isDir();
    return config.dir().exists();
}

QString MCPInstaller::serverExecutableURL() {
    // Without an application object (tools, tests) the kernel still knows where we run from.
    const QString dir = QCoreApplication::instance()
                            ? QCoreApplication::applicationDirPath()
                            : QFileInfo(QFileInfo("/proc/self/exe").symLinkTarget()).absolutePath();
    return serverExecutableURL(dir);
}

QString MCPInstaller::serverExecutableURL(const QString& applicationDir) {
    // Beside the program; for the app, which lies in libexec/zorvi, beside the
    // `zorvi` command. In a development build the server sits in <build>/mcp,
    // next to the program's folder or to the command's.
    const QString commands = applicationDir + "/" ZORVI_COMMANDS_FROM_APP;
    const QString installed = QDir::cleanPath(applicationDir + "/zorvi-mcp");
    for (const QString& candidate : {installed, QDir::cleanPath(commands + "/zorvi-mcp"),
                                     QDir::cleanPath(applicationDir + "/../mcp/zorvi-mcp"),
                                     QDir::cleanPath(commands + "/../mcp/zorvi-mcp")})
        if (isExecutableFile(candidate))
            return candidate;
    return installed;
}

namespace {

// An app running on a library other than the default one hands its location
// on, so the agent reads and writes the same library as the app.
std::optional<QString> libraryOverride() {
    if (qEnvironmentVariableIsEmpty("ZORVI_HOME"))
        return std::nullopt;
    return QDir(ZorviPaths::support()).absolutePath();
}

} // namespace

QJsonObject MCPInstaller::serverEntry(const QString& agentName) {
    QJsonObject env{{"ZORVI_AGENT", agentName}};
    if (const auto library = libraryOverride())
        env.insert("ZORVI_HOME", *library);
    return {
        {"command", serverExecutableURL()},
        {"args", QJsonArray()},
        {"env", env},
    };
}

MCPInstaller::Status MCPInstaller::status(Client client) {
    const auto config = JsonConfigFile::read(configURL(client));
    if (!config)
        return Status::notConnected();
    const QJsonValue servers = config->value(topLevelKey(client));
    if (!servers.isObject())
        return Status::notConnected();
    const QJsonValue entry = servers.toObject().value(serverName);
    if (!entry.isObject())
        return Status::notConnected();
    const QJsonValue command = entry.toObject().value("command");
    if (!command.isString())
        return Status::notConnected();
    if (command.toString() == serverExecutableURL())
        return Status::connected();
    return Status::stale(command.toString());
}

QString MCPInstaller::install(Client client) {
    const QString path = configURL(client);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw MCPInstallerError(QStringLiteral("The folder “%1” couldn't be created.").arg(folder));

    QJsonObject document = JsonConfigFile::read(path).value_or(QJsonObject());
    if (QFileInfo::exists(path))
        JsonConfigFile::backup(path);

    const QString key = topLevelKey(client);
    QJsonObject servers = document.value(key).toObject();
    servers.insert(serverName, serverEntry(agentName(client)));
    document.insert(key, servers);
    JsonConfigFile::write(path, document);
    return path;
}

void MCPInstaller::remove(Client client) {
    const QString path = configURL(client);
    auto document = JsonConfigFile::read(path);
    if (!document)
        return;
    const QString key = topLevelKey(client);
    const QJsonValue servers = document->value(key);
    if (!servers.isObject() || !servers.toObject().contains(serverName))
        return;

    JsonConfigFile::backup(path);
    QJsonObject remaining = servers.toObject();
    remaining.remove(serverName);
    document->insert(key, remaining);
    JsonConfigFile::write(path, *document);
}

QString MCPInstaller::configSnippet(Client client) {
    const QJsonObject snippet{
        {topLevelKey(client), QJsonObject{{serverName, serverEntry(agentName(client))}}}};
    return QString::fromUtf8(JsonConfigFile::serialize(snippet));
}

QString MCPInstaller::claudeCodeCommandLine() {
    QString line = "claude mcp add zorvi --env ZORVI_AGENT=claude-code";
    if (const auto library = libraryOverride())
        line += " --env \"ZORVI_HOME=" + *library + '"';
    return line + " -- \"" + serverExecutableURL() + '"';
}
