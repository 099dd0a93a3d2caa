#include "ShellFixture.h"

#include "agents/CodeBlock.h"
#include "agents/MCPConnectionList.h"
#include "agents/MCPInstaller.h"

#include <QClipboard>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace {

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

struct AgentConnectionsTest : ShellFixture {
    QWidget* row(MCPConnectionList& list, const QString& id) { return list.findChild<QWidget*>("client-" + id); }
    QString rowStatus(MCPConnectionList& list, const QString& id) {
        QWidget* r = row(list, id);
        return r ? r->findChild<QLabel*>("status")->text() : QString();
    }
    QPushButton* rowButton(MCPConnectionList& list, const QString& id) {
        return row(list, id)->findChild<QPushButton*>("action");
    }
    // The visible rows from top to bottom.
    QStringList order(MCPConnectionList& list) {
        QList<std::pair<int, QString>> rows;
        for (QWidget* w : list.findChildren<QWidget*>(QRegularExpression("^client-")))
            if (w->isVisible())
                rows.append({w->y(), w->objectName().mid(7)});
        std::sort(rows.begin(), rows.end());
        QStringList ids;
        for (const auto& r : rows)
            ids << r.second;
        return ids;
    }
};

TEST_F(AgentConnectionsTest, ConnectRepairDisconnectAndFailuresInAHomeFolder) {
    // Only Cursor looks installed.
    QDir(home.path()).mkpath(".cursor");
    MCPConnectionList list;
    list.resize(520, 600);
    list.show();
    ASSERT_TRUE(processEventsUntil([&] { return row(list, "cursor") && row(list, "cursor")->isVisible(); }));
    EXPECT_EQ(order(list), (QStringList{"cursor", "claudeCode", "claudeDesktop", "vsCode"}));
    EXPECT_EQ(rowStatus(list, "cursor"), "Cursor's agent");
    auto nameOf = [&](const QString& id) { return row(list, id)->findChildren<QLabel*>().at(1)->text(); };
    EXPECT_TRUE(nameOf("vsCode").contains("not detected"));
    EXPECT_FALSE(nameOf("cursor").contains("not detected"));

    const QString cursorConfig = home.path() + "/.cursor/mcp.json";
    click(rowButton(list, "cursor"));
    ASSERT_TRUE(processEventsUntil([&] { return rowStatus(list, "cursor") == "Connected"; }));
    EXPECT_EQ(rowButton(list, "cursor")->text(), "Disconnect");
    EXPECT_EQ(readJson(cursorConfig)["mcpServers"].toObject()["zorvi"].toObject()["command"].toString(),
              MCPInstaller::serverExecutableURL());

    // An entry left by another copy of the app is offered a repair.
    const QString desktopConfig = home.path() + "/.config/Claude/claude_desktop_config.json";
    QDir().mkpath(QFileInfo(desktopConfig).absolutePath());
    QFile stale(desktopConfig);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(R"({"mcpServers": {"zorvi": {"command": "/opt/old/zorvi-mcp"}}, "theme": "dark"})");
    stale.close();
    list.model().refresh();
    ASSERT_EQ(rowStatus(list, "claudeDesktop"), "Points at an older copy of Zorvi");
    EXPECT_EQ(rowButton(list, "claudeDesktop")->text(), "Repair");
    click(rowButton(list, "claudeDesktop"));
    ASSERT_TRUE(processEventsUntil([&] { return rowStatus(list, "claudeDesktop") == "Connected"; }));
    EXPECT_EQ(readJson(desktopConfig)["theme"].toString(), "dark") << "the client's own settings survive";

    // A configuration that can't be written is reported and fixed by the next good connect.
    QDir().mkpath(home.path() + "/.config/Code/User/mcp.json");
    click(rowButton(list, "vsCode"));
    QWidget* error = list.findChild<QWidget*>("error");
    ASSERT_TRUE(processEventsUntil([&] { return error->isVisible(); }));
    EXPECT_TRUE(error->findChild<QLabel*>("text")->text().startsWith("Couldn't write VS Code's config: "));
    QDir(home.path() + "/.config/Code/User/mcp.json").removeRecursively();
    click(rowButton(list, "vsCode"));
    ASSERT_TRUE(processEventsUntil([&] { return rowStatus(list, "vsCode") == "Connected"; }));
    EXPECT_FALSE(error->isVisible());

    click(rowButton(list, "cursor"));
    ASSERT_TRUE(processEventsUntil([&] { return rowStatus(list, "cursor") == "Cursor's agent"; }));
    EXPECT_FALSE(readJson(cursorConfig)["mcpServers"].toObject().contains("zorvi"));

    // The manual instructions: the exact command line, copied with one click.
    auto* toggle = list.findChild<QToolButton*>("manualToggle");
    click(toggle);
    auto* manual = list.findChild<QWidget*>("manual");
    ASSERT_TRUE(processEventsUntil([&] { return manual->isVisible(); }));
    auto* command = manual->findChildren<CodeBlock*>().first();
    EXPECT_EQ(command->findChild<QLabel*>("code")->text(), MCPInstaller::claudeCodeCommandLine());
    click(command->findChild<QToolButton*>("copy"));
    ASSERT_TRUE(processEventsUntil([&] { return command->justCopied(); }));
    EXPECT_EQ(QApplication::clipboard()->text(), MCPInstaller::claudeCodeCommandLine());
    EXPECT_TRUE(processEventsUntil([&] { return !command->justCopied(); }, 4000)) << "the check mark goes away";
}

} // namespace
