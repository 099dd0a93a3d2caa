#pragma once

#include "storage/AccountStore.h"

#include <QStringList>

#include <functional>

// The administration subcommands: users, workspaces, memberships, the
// uploads switch and access tokens. Returns the process exit code; messages go to stdout,
// errors to stderr.
class AdminCommand {
public:
    // Reads a password: from stdin when asked, else from the terminal without echo.
    using PasswordSource = std::function<QString(bool fromStdin)>;

    AdminCommand(AccountStore& accounts, PasswordSource readPassword)
        : accounts_(accounts), readPassword_(std::move(readPassword)) {}

    int run(const QStringList& words);

    static QString readPasswordFromTerminal(bool fromStdin);

private:
    int addUser(const QStringList& args);
    int addWorkspace(const QStringList& args);
    int switchUploads(const QStringList& args);
    int addMember(const QStringList& args);
    int removeMember(const QStringList& args);
    int removeUser(const QStringList& args);
    int listTokens(const QStringList& args);
    int revokeTokens(const QStringList& args);

    AccountStore& accounts_;
    PasswordSource readPassword_;
};
