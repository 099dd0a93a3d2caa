#include "AdminCommand.h"

#include "common/Identifiers.h"
#include "security/PasswordHash.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

int error(const QString& message) {
    std::fprintf(stderr, "zorvi-server: %s\n", qPrintable(message));
    return 1;
}

void say(const QString& message) {
    std::printf("%s\n", qPrintable(message));
}

// The value of --option in args, removing both; empty when absent.
QString takeOption(QStringList& args, const char* option) {
    const int at = int(args.indexOf(QLatin1String(option)));
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

bool takeFlag(QStringList& args, const char* flag) {
    return args.removeAll(QLatin1String(flag)) > 0;
}

// Characters of a token's hash shown as its id.
constexpr int tokenIdLength = 12;

bool validName(const QString& name) {
    return !name.trimmed().isEmpty() && name.size() <= 200;
}

} // namespace

QString AdminCommand::readPasswordFromTerminal(bool fromStdin) {
    std::string line;
    if (fromStdin || !isatty(STDIN_FILENO)) {
        std::getline(std::cin, line);
        return QString::fromStdString(line);
    }
    std::fprintf(stderr, "Password: ");
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::getline(std::cin, line);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fprintf(stderr, "\n");
    return QString::fromStdString(line);
}

int AdminCommand::run(const QStringList& words) {
    const QStringList args = words.mid(2);
    const QString command = words.mid(0, 2).join(' ');
    if (command == QLatin1String("user add"))
        return addUser(args);
    if (command == QLatin1String("workspace add"))
        return addWorkspace(args);
    if (command == QLatin1String("workspace uploads"))
        return switchUploads(args);
    if (command == QLatin1String("member add"))
        return addMember(args);
    if (command == QLatin1String("member remove"))
        return removeMember(args);
    if (command == QLatin1String("user remove"))
        return removeUser(args);
    if (command == QLatin1String("token list"))
        return listTokens(args);
    if (command == QLatin1String("token revoke"))
        return revokeTokens(args);
    return error(QStringLiteral("unknown command \"%1\"; see --help").arg(words.join(' ')));
}

int AdminCommand::addUser(const QStringList& given) {
    QStringList args = given;
    const QString name = takeOption(args, "--name");
    const bool fromStdin = takeFlag(args, "--password-stdin");
    if (args.size() != 1 || !validName(name))
        return error(QStringLiteral("usage: user add EMAIL --name NAME [--password-stdin]"));
    const QString email = args[0].trimmed();
    if (!email.contains('@') || email.size() > 320)
        return error(QStringLiteral("\"%1\" is not an e-mail address").arg(email));
    const QString password = readPassword_(fromStdin);
    if (password.size() < 8)
        return error(QStringLiteral("the password needs at least 8 characters"));
    const UserRecord user{Identifiers::make(), email, name.trimmed(), PasswordHash::make(password)};
    if (!accounts_.createUser(user))
        return error(QStringLiteral("a user with the e-mail %1 exists already").arg(email));
    say(QStringLiteral("Added user %1 <%2> (%3)").arg(user.name, user.email, user.id));
    return 0;
}

int AdminCommand::addWorkspace(const QStringList& given) {
    QStringList args = given;
    const QString name = takeOption(args, "--name");
    static const QRegularExpression slugForm(QStringLiteral("^[a-z0-9][a-z0-9-]{0,62}$"));
    if (args.size() != 1 || !validName(name))
        return error(QStringLiteral("usage: workspace add SLUG --name NAME"));
    if (!slugForm.match(args[0]).hasMatch())
        return error(QStringLiteral("a slug is 1 to 63 lower-case letters, digits and '-'"));
    const WorkspaceRecord workspace{Identifiers::make(), args[0], name.trimmed(), false};
    if (!accounts_.createWorkspace(workspace))
        return error(QStringLiteral("the workspace %1 exists already").arg(workspace.slug));
    say(QStringLiteral("Added workspace %1 \"%2\" (%3)").arg(workspace.slug, workspace.name, workspace.id));
    return 0;
}

int AdminCommand::switchUploads(const QStringList& args) {
    if (args.size() != 2 || (args[1] != QLatin1String("on") && args[1] != QLatin1String("off")))
        return error(QStringLiteral("usage: workspace uploads SLUG on|off"));
    const auto workspace = accounts_.workspaceBySlug(args[0]);
    if (!workspace)
        return error(QStringLiteral("no workspace %1").arg(args[0]));
    accounts_.setUploadsDisabled(workspace->id, args[1] == QLatin1String("off"));
    say(QStringLiteral("Uploads to %1 are %2").arg(args[0], args[1]));
    return 0;
}

int AdminCommand::addMember(const QStringList& given) {
    QStringList args = given;
    const QString role = takeOption(args, "--role");
    if (args.size() != 2 || (role != QLatin1String("admin") && role != QLatin1String("member")))
        return error(QStringLiteral("usage: member add SLUG EMAIL --role admin|member"));
    const auto workspace = accounts_.workspaceBySlug(args[0]);
    if (!workspace)
        return error(QStringLiteral("no workspace %1").arg(args[0]));
    const auto user = accounts_.userByEmail(args[1]);
    if (!user)
        return error(QStringLiteral("no user %1").arg(args[1]));
    accounts_.setMember(workspace->id, user->id, role);
    say(QStringLiteral("%1 is now %2 of %3").arg(user->email, role == QLatin1String("admin") ? "an admin" : "a member",
                                                  workspace->slug));
    return 0;
}

int AdminCommand::removeMember(const QStringList& args) {
    if (args.size() != 2)
        return error(QStringLiteral("usage: member remove SLUG EMAIL"));
    const auto workspace = accounts_.workspaceBySlug(args[0]);
    const auto user = accounts_.userByEmail(args[1]);
    if (!workspace || !user || !accounts_.removeMember(workspace->id, user->id))
        return error(QStringLiteral("%1 is not a member of %2").arg(args[1], args[0]));
    say(QStringLiteral("%1 left %2; their devices drop its captures at their next sync").arg(user->email, workspace->slug));
    return 0;
}

int AdminCommand::removeUser(const QStringList& args) {
    if (args.size() != 1)
        return error(QStringLiteral("usage: user remove EMAIL"));
    const auto user = accounts_.userByEmail(args[0]);
    if (!user || !accounts_.removeUser(user->id))
        return error(QStringLiteral("no user %1").arg(args[0]));
    say(QStringLiteral("Removed %1: signed out everywhere; their devices drop the team's captures at their next sync")
            .arg(user->email));
    return 0;
}

int AdminCommand::listTokens(const QStringList& args) {
    if (args.size() > 1)
        return error(QStringLiteral("usage: token list [EMAIL]"));
    const auto tokens = accounts_.accessTokens(args.value(0));
    const auto day = [](double seconds) {
        return QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    for (const AccessTokenRecord& t : tokens)
        say(QStringLiteral("%1  %2  signed in %3  last used %4")
                .arg(t.tokenHash.left(tokenIdLength), t.userEmail, day(t.createdAt), day(t.lastUsedAt)));
    if (tokens.empty())
        say(QStringLiteral("No tokens in force"));
    return 0;
}

int AdminCommand::revokeTokens(const QStringList& given) {
    QStringList args = given;
    const QString email = takeOption(args, "--user");
    if (email.isEmpty() == args.isEmpty() || args.size() > 1)
        return error(QStringLiteral("usage: token revoke ID | token revoke --user EMAIL"));
    int revoked = 0;
    if (!email.isEmpty()) {
        for (const AccessTokenRecord& t : accounts_.accessTokens(email))
            revoked += accounts_.revokeAccessTokensStartingWith(t.tokenHash);
    } else {
        static const QRegularExpression idForm(QStringLiteral("^[0-9a-f]{8,64}$"));
        if (!idForm.match(args[0]).hasMatch())
            return error(QStringLiteral("a token id is at least 8 of the hexadecimal digits \"token list\" shows"));
        revoked = accounts_.revokeAccessTokensStartingWith(args[0]);
    }
    if (revoked == 0)
        return error(QStringLiteral("no token in force matches"));
    say(QStringLiteral("Revoked %1 token(s); those computers must sign in again").arg(revoked));
    return 0;
}
