#include "admin/AdminCommand.h"
#include "admin/CommandLine.h"
#include "admin/ServiceMigration.h"
#include "http/ApiServer.h"
#include "storage/DataFolder.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

namespace {

int serve(const CommandLine& c) {
    if (!c.listensSafely()) {
        std::fprintf(stderr,
                     "zorvi-server: refusing plain HTTP on %s: give --tls-cert and --tls-key, or --insecure-http "
                     "when a proxy in front of it terminates TLS\n",
                     qPrintable(c.host));
        return 2;
    }
    // Termination stopSignals are taken by one thread that stops the server, so
    // open event streams end and the database closes cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Every open event stream is a socket: allow as many as the system lets us.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    ApiServer server(c.dataDirectory, c.config, c.tls, c.storage);
    const int port = server.bind(c.host, c.port);
    const QString shownHost = c.host.contains(':') ? '[' + c.host + ']' : c.host;
    std::printf("zorvi-server listening on %s://%s:%d\n", c.tls ? "https" : "http", qPrintable(shownHost), port);
    std::fflush(stdout);
    std::thread([&server, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    }).detach();
    return server.run() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        const CommandLine c = CommandLine::parse(app.arguments().mid(1));
        if (c.help) {
            std::printf("%s", qPrintable(CommandLine::usage()));
            return 0;
        }
        if (c.adminWords.isEmpty())
            return serve(c);
        DataFolder data(c.dataDirectory, c.storage);
        if (c.adminWords.first() == QLatin1String("migrate-to")) {
            if (c.adminWords.size() != 1 || c.migrationTarget.databaseUrl.isEmpty())
                throw std::invalid_argument("migrate-to needs --database postgresql://… and nothing else");
            DataFolder target(c.dataDirectory, c.migrationTarget);
            ServiceMigration migration(data, target, [](const QString& line) {
                std::printf("%s\n", qPrintable(line));
                std::fflush(stdout);
            });
            return migration.run() ? 0 : 1;
        }
        return AdminCommand(data.accounts(), AdminCommand::readPasswordFromTerminal).run(c.adminWords);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "zorvi-server: %s\n\n%s", e.what(), qPrintable(CommandLine::usage()));
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zorvi-server: %s\n", e.what());
        return 1;
    }
}
