#include "agents/MCPInstaller.h"
#include "agents/MCPInstallerError.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using Client = MCPInstaller::Client;
using Status = MCPInstaller::Status;

namespace {

// Points HOME (and PATH) at a private folder for the length of one test.
class MCPInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = qgetenv("HOME");
        savedPath_ = qgetenv("PATH");
        qputenv("HOME", home_.path().toUtf8());
        QDir().mkpath(home_.file("bin"));
        qputenv("PATH", home_.file("bin").toUtf8());
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        qputenv("PATH", savedPath_);
    }

    QString path(const QString& relative) const { return home_.file(relative); }

    static void writeFile(const QString& file, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    static QByteArray readFile(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    static QJsonObject readJson(const QString& file) {
        return QJsonDocument::fromJson(readFile(file)).object();
    }
    static QJsonObject zorviEntry(const QJsonObject& document, const QString& key) {
        return document.value(key).toObject().value("zorvi").toObject();
    }
    static QJsonObject entryNaming(const QString& command) {
        return {{"command", command}, {"args", QJsonArray()}, {"env", QJsonObject{{"ZORVI_AGENT", "cursor"}}}};
    }

    TempDir home_;
    QByteArray savedHome_;
    QByteArray savedPath_;
};

} // namespace

TEST_F(MCPInstallerTest, InstallKeepsOtherServersAndKeysAndWritesSortedPrettyJson) {
    const QString config = path(".cursor/mcp.json");
    writeFile(config, R"({"theme":"dark","mcpServers":{"other":{"command":"/usr/bin/other"}}})");

    EXPECT_EQ(MCPInstaller::install(Client::cursor), config);

    const QJsonObject document = readJson(config);
    EXPECT_EQ(document.value("theme").toString(), "dark");
    EXPECT_EQ(document.value("mcpServers").toObject().value("other").toObject().value("command").toString(),
              "/usr/bin/other");
    const QJsonObject entry = zorviEntry(document, "mcpServers");
    EXPECT_EQ(entry, entryNaming(MCPInstaller::serverExecutableURL()));
    EXPECT_EQ(MCPInstaller::status(Client::cursor), Status::connected());

    const QByteArray text = readFile(config);
    EXPECT_TRUE(text.contains("\n    \"mcpServers\": {\n")) << text.constData();
    EXPECT_LT(text.indexOf("\"mcpServers\""), text.indexOf("\"theme\""));
    EXPECT_LT(text.indexOf("\"other\""), text.indexOf("\"zorvi\""));
    const qsizetype ours = text.indexOf("\"zorvi\"");
    EXPECT_LT(text.indexOf("\"args\"", ours), text.indexOf("\"command\"", ours));
    EXPECT_LT(text.indexOf("\"command\"", ours), text.indexOf("\"env\"", ours));
    EXPECT_FALSE(text.contains("\\/"));
    EXPECT_TRUE(text.contains("\"command\": \"" + MCPInstaller::serverExecutableURL().toUtf8() + "\""));
}

TEST_F(MCPInstallerTest, EachClientWritesItsOwnFileUnderItsOwnKey) {
    struct Expected { Client client; const char* file; const char* key; const char* agent; };
    const Expected cases[] = {
        {Client::claudeCode, ".claude.json", "mcpServers", "claude-code"},
        {Client::claudeDesktop, ".config/Claude/claude_desktop_config.json", "mcpServers", "claude-desktop"},
        {Client::cursor, ".cursor/mcp.json", "mcpServers", "cursor"},
        {Client::vsCode, ".config/Code/User/mcp.json", "servers", "vscode"},
    };
    for (const Expected& expected : cases) {
        SCOPED_TRACE(expected.file);
        EXPECT_EQ(MCPInstaller::status(expected.client), Status::notConnected());
        // The folders do not exist yet: installing creates them.
        EXPECT_EQ(MCPInstaller::install(expected.client), path(expected.file));
        const QJsonObject document = readJson(path(expected.file));
        EXPECT_EQ(document.keys(), QStringList{expected.key});
        EXPECT_EQ(zorviEntry(document, expected.key).value("env").toObject().value("ZORVI_AGENT").toString(),
                  expected.agent);
        EXPECT_EQ(MCPInstaller::status(expected.client), Status::connected());
    }
}

// The agent must open the library the app shows, wherever that is.
TEST_F(MCPInstallerTest, AnAppOnAnotherLibraryPassesItsLocationToTheAgent) {
    const auto env = [&] {
        MCPInstaller::install(Client::cursor);
        return zorviEntry(readJson(path(".cursor/mcp.json")), "mcpServers").value("env").toObject();
    };
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("ZORVI_HOME") ? std::optional(qgetenv("ZORVI_HOME")) : std::nullopt;
    qunsetenv("ZORVI_HOME");
    EXPECT_FALSE(env().contains("ZORVI_HOME")) << "the default library needs no setting";
    EXPECT_FALSE(MCPInstaller::claudeCodeCommandLine().contains("ZORVI_HOME"));

    qputenv("ZORVI_HOME", home_.file("team library").toUtf8());
    EXPECT_EQ(env().value("ZORVI_HOME").toString(), home_.file("team library"));
    EXPECT_TRUE(MCPInstaller::claudeCodeCommandLine().contains(
        "--env \"ZORVI_HOME=" + home_.file("team library") + "\" --"));
    if (saved)
        qputenv("ZORVI_HOME", *saved);
    else
        qunsetenv("ZORVI_HOME");
}

TEST_F(MCPInstallerTest, BackupHoldsTheStateJustBeforeEachChange) {
    const QString config = path(".cursor/mcp.json");
    const QByteArray original = R"({"mcpServers":{}})";
    writeFile(config, original);

    MCPInstaller::install(Client::cursor);
    EXPECT_EQ(readFile(config + ".zorvi-backup"), original);

    const QByteArray afterFirst = readFile(config);
    MCPInstaller::install(Client::cursor);
    EXPECT_EQ(readFile(config + ".zorvi-backup"), afterFirst);
    EXPECT_EQ(readFile(config), afterFirst); // the same entry replaced, not duplicated

    MCPInstaller::remove(Client::cursor);
    EXPECT_EQ(readFile(config + ".zorvi-backup"), afterFirst);
}

TEST_F(MCPInstallerTest, UnparseableFileReadsAsNotConnectedAndIsReplacedAfterBackup) {
    for (const QByteArray& junk : {QByteArray("not json {"), QByteArray(R"([{"mcpServers":{}}])"), QByteArray()}) {
        SCOPED_TRACE(junk.constData());
        const QString config = path(".claude.json");
        writeFile(config, junk);
        EXPECT_EQ(MCPInstaller::status(Client::claudeCode), Status::notConnected());

        MCPInstaller::install(Client::claudeCode);
        EXPECT_EQ(readFile(config + ".zorvi-backup"), junk);
        EXPECT_EQ(readJson(config).keys(), QStringList{"mcpServers"});
        EXPECT_EQ(MCPInstaller::status(Client::claudeCode), Status::connected());
    }
}

TEST_F(MCPInstallerTest, MalformedEntriesReadAsNotConnected) {
    const QString config = path(".cursor/mcp.json");
    for (const char* text : {R"({"mcpServers":[]})", R"({"mcpServers":{"zorvi":"x"}})",
                             R"({"mcpServers":{"zorvi":{"command":7}}})", R"({"servers":{"zorvi":{"command":"/x"}}})"}) {
        SCOPED_TRACE(text);
        writeFile(config, text);
        EXPECT_EQ(MCPInstaller::status(Client::cursor), Status::notConnected());
    }
}

TEST_F(MCPInstallerTest, EntryForAnotherCopyIsStaleUntilRepaired) {
    const QString config = path(".cursor/mcp.json");
    const QJsonObject document{{"mcpServers", QJsonObject{{"zorvi", entryNaming("/opt/old/zorvi-mcp")}}}};
    writeFile(config, QJsonDocument(document).toJson());

    EXPECT_EQ(MCPInstaller::status(Client::cursor), Status::stale("/opt/old/zorvi-mcp"));
    EXPECT_FALSE(MCPInstaller::status(Client::cursor) == Status::stale("/opt/other/zorvi-mcp"));

    MCPInstaller::install(Client::cursor);
    EXPECT_EQ(MCPInstaller::status(Client::cursor), Status::connected());
}

TEST_F(MCPInstallerTest, RemoveTakesOnlyOurEntryAndWritesNothingWithoutOne) {
    const QString config = path(".config/Code/User/mcp.json");
    const QByteArray withoutUs = R"({"servers":{"other":{"command":"x"}}})";
    writeFile(config, withoutUs);
    MCPInstaller::remove(Client::vsCode);
    EXPECT_EQ(readFile(config), withoutUs);
    EXPECT_FALSE(QFileInfo::exists(config + ".zorvi-backup"));

    MCPInstaller::install(Client::vsCode);
    MCPInstaller::remove(Client::vsCode);
    EXPECT_EQ(readJson(config), QJsonDocument::fromJson(withoutUs).object());
    EXPECT_EQ(MCPInstaller::status(Client::vsCode), Status::notConnected());

    // Removing the only server leaves an empty object under the key.
    const QString cursor = path(".cursor/mcp.json");
    MCPInstaller::install(Client::cursor);
    MCPInstaller::remove(Client::cursor);
    EXPECT_EQ(readJson(cursor), (QJsonObject{{"mcpServers", QJsonObject()}}));

    // No file at all: nothing to do, nothing created.
    MCPInstaller::remove(Client::claudeDesktop);
    EXPECT_FALSE(QFileInfo::exists(MCPInstaller::configURL(Client::claudeDesktop)));
}

TEST_F(MCPInstallerTest, InstallKeepsASymlinkedPrivateFileInPlace) {
    // Dotfile managers link ~/.claude.json into a repository; the link must
    // survive, and a file readable only by its owner must stay so.
    const QString real = path("dotfiles/claude.json");
    writeFile(real, R"({"mcpServers":{}})");
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(real, path(".claude.json")));

    MCPInstaller::install(Client::claudeCode);
    EXPECT_TRUE(QFileInfo(path(".claude.json")).isSymLink());
    EXPECT_TRUE(zorviEntry(readJson(real), "mcpServers").contains("command"));
    EXPECT_FALSE(QFile::permissions(real) & (QFile::ReadGroup | QFile::ReadOther));
}

TEST_F(MCPInstallerTest, FailedInstallThrowsAndKeepsWhatWasThere) {
    // The configuration folder's name is taken by a file: it cannot be created.
    writeFile(path(".cursor"), "a file");
    EXPECT_THROW(MCPInstaller::install(Client::cursor), MCPInstallerError);
    EXPECT_EQ(readFile(path(".cursor")), "a file");

    // The configuration file's name is taken by a folder: it cannot be written.
    QDir().mkpath(path(".claude.json/inside"));
    try {
        MCPInstaller::install(Client::claudeCode);
        FAIL() << "install into a folder succeeded";
    } catch (const MCPInstallerError& error) {
        EXPECT_FALSE(error.description().isEmpty());
    }
    EXPECT_TRUE(QFileInfo(path(".claude.json/inside")).isDir());
}

TEST_F(MCPInstallerTest, ServerPathPrefersTheInstalledExecutableThenTheBuildTree) {
    const QString appDir = path("build/app");
    const QString installed = appDir + "/zorvi-mcp";
    const QString buildTree = path("build/mcp/zorvi-mcp");
    QDir().mkpath(appDir);

    EXPECT_EQ(MCPInstaller::serverExecutableURL(appDir), installed);

    writeFile(buildTree, "#!/bin/sh\n");
    EXPECT_EQ(MCPInstaller::serverExecutableURL(appDir), installed) << "not executable yet";
    QFile::setPermissions(buildTree, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(MCPInstaller::serverExecutableURL(appDir), buildTree);

    writeFile(installed, "#!/bin/sh\n");
    QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(MCPInstaller::serverExecutableURL(appDir), installed);
}

// The app lies in libexec, away from the commands: it still names the agent
// server where the package and the build put it.
TEST_F(MCPInstallerTest, TheAppInLibexecFindsTheServerBesideTheCommands) {
    EXPECT_EQ(QFileInfo(MCPInstaller::serverExecutableURL(ZORVI_BUILT_APP_DIR)).canonicalFilePath(),
              QFileInfo(ZORVI_BUILT_MCP).canonicalFilePath());

    const QString installed = path("usr/" ZORVI_INSTALLED_BINDIR "/zorvi-mcp");
    writeFile(installed, "#!/bin/sh\n");
    QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(MCPInstaller::serverExecutableURL(path("usr/" ZORVI_INSTALLED_APP_DIR)), installed);
}

TEST_F(MCPInstallerTest, LikelyInstalledByCommandOnPathOrConfigurationFolder) {
    for (Client client : MCPInstaller::allCases())
        EXPECT_FALSE(MCPInstaller::isLikelyInstalled(client)) << MCPInstaller::id(client).toStdString();

    const QString cursor = path("bin/cursor");
    writeFile(cursor, "#!/bin/sh\n");
    QFile::setPermissions(cursor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(MCPInstaller::isLikelyInstalled(Client::cursor));

    QDir().mkpath(path(".claude"));
    EXPECT_TRUE(MCPInstaller::isLikelyInstalled(Client::claudeCode));
    QDir().mkpath(path(".config/Code/User"));
    EXPECT_TRUE(MCPInstaller::isLikelyInstalled(Client::vsCode));
    EXPECT_FALSE(MCPInstaller::isLikelyInstalled(Client::claudeDesktop));
}

TEST_F(MCPInstallerTest, ManualSetupTextsNameTheServer) {
    const QString server = MCPInstaller::serverExecutableURL();
    const QJsonObject snippet =
        QJsonDocument::fromJson(MCPInstaller::configSnippet(Client::claudeDesktop).toUtf8()).object();
    EXPECT_EQ(snippet.keys(), QStringList{"mcpServers"});
    EXPECT_EQ(zorviEntry(snippet, "mcpServers").value("command").toString(), server);
    EXPECT_EQ(zorviEntry(snippet, "mcpServers").value("env").toObject().value("ZORVI_AGENT").toString(),
              "claude-desktop");
    EXPECT_FALSE(MCPInstaller::configSnippet(Client::vsCode).contains("mcpServers"));

    EXPECT_EQ(MCPInstaller::claudeCodeCommandLine(),
              "claude mcp add zorvi --env ZORVI_AGENT=claude-code -- \"" + server + "\"");
}
