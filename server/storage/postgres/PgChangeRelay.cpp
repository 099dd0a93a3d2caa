#include "PgChangeRelay.h"

#include "security/Secrets.h"

#include <libpq-fe.h>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr const char* channel = "zorvi_changes";

} // namespace

PgChangeRelay::PgChangeRelay(PgPool& pool, Heard heard)
    : pool_(pool), heard_(std::move(heard)), instance_(Secrets::randomHex(8)) {
    if (pipe(wake_) != 0)
        throw std::runtime_error("cannot create a pipe");
    listener_ = std::thread([this] { listen(); });
}

PgChangeRelay::~PgChangeRelay() {
    stopping_ = true;
    const char byte = 0;
    (void)!write(wake_[1], &byte, 1);
    listener_.join();
    close(wake_[0]);
    close(wake_[1]);
}

void PgChangeRelay::send(const QString& workspaceId, std::int64_t cursor) {
    try {
        pool_.with([&](PgConnection& c) {
            c.exec("SELECT pg_notify($1, $2)",
                   {channel, instance_ + ' ' + QString::number(cursor) + ' ' + workspaceId});
        });
    } catch (const std::exception&) {
        // The change itself is committed; the other instances' readers see it at their next pull.
    }
}

void PgChangeRelay::listen() {
    std::unique_ptr<PgConnection> connection;
    while (!stopping_) {
        if (!connection || PQstatus(connection->handle()) != CONNECTION_OK) {
            try {
                connection = std::make_unique<PgConnection>(pool_.url());
                connection->exec((QByteArray("LISTEN ") + channel).constData());
            } catch (const std::exception&) {
                connection.reset();
                pollfd wait{wake_[0], POLLIN, 0};
                poll(&wait, 1, 1000);
                continue;
            }
        }
        pollfd fds[2] = {{connection->socket(), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            continue;
        PGconn* conn = connection->handle();
        if (!PQconsumeInput(conn)) {
            connection.reset();
            continue;
        }
        while (PGnotify* n = PQnotifies(conn)) {
            const QStringList words = QString::fromUtf8(n->extra).split(' ');
            if (words.size() == 3 && words[0] != instance_)
                heard_(words[2], words[1].toLongLong());
            PQfreemem(n);
        }
    }
}
