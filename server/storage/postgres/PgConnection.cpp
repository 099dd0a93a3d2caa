#include "PgConnection.h"

#include <QUrl>

#include <libpq-fe.h>

#include <cstdio>
#include <stdexcept>

namespace {

// The URL without its password, for messages.
std::string shown(const QString& url) {
    return QUrl(url).toDisplayString(QUrl::RemovePassword).toStdString();
}

} // namespace

QString pgArray(const QStringList& values) {
    QStringList quoted;
    for (QString v : values)
        quoted << '"' + v.replace('\\', QLatin1String("\\\\")).replace('"', QLatin1String("\\\"")) + '"';
    return '{' + quoted.join(',') + '}';
}

PgResult::PgResult(pg_result* result) : result_(result) {}

PgResult::~PgResult() {
    if (result_)
        PQclear(result_);
}

PgResult::PgResult(PgResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}

int PgResult::size() const {
    return result_ ? PQntuples(result_) : 0;
}

std::int64_t PgResult::changed() const {
    const char* n = result_ ? PQcmdTuples(result_) : "";
    return *n ? std::strtoll(n, nullptr, 10) : 0;
}

int PgResult::column(const char* name) const {
    const int c = PQfnumber(result_, name);
    if (c < 0)
        throw std::logic_error(std::string("no column ") + name);
    return c;
}

std::optional<QString> PgResult::string(int row, const char* name) const {
    const int c = column(name);
    if (PQgetisnull(result_, row, c))
        return std::nullopt;
    return QString::fromUtf8(PQgetvalue(result_, row, c), PQgetlength(result_, row, c));
}

std::optional<std::int64_t> PgResult::integer(int row, const char* name) const {
    const int c = column(name);
    if (PQgetisnull(result_, row, c))
        return std::nullopt;
    return std::strtoll(PQgetvalue(result_, row, c), nullptr, 10);
}

std::optional<double> PgResult::real(int row, const char* name) const {
    const int c = column(name);
    if (PQgetisnull(result_, row, c))
        return std::nullopt;
    return std::strtod(PQgetvalue(result_, row, c), nullptr);
}

bool PgResult::boolean(int row, const char* name) const {
    const int c = column(name);
    return !PQgetisnull(result_, row, c) && PQgetvalue(result_, row, c)[0] == 't';
}

PgConnection::PgConnection(const QString& url) : url_(url) {
    if (!ensureOpen())
        throw DatabaseUnavailable("cannot reach the database " + shown(url_) +
                                  ": check that PostgreSQL runs there and lets this user in");
}

PgConnection::~PgConnection() {
    if (conn_)
        PQfinish(conn_);
}

bool PgConnection::ensureOpen() {
    if (conn_ && PQstatus(conn_) == CONNECTION_OK)
        return true;
    if (conn_)
        PQfinish(conn_);
    conn_ = PQconnectdb(url_.toUtf8().constData());
    if (PQstatus(conn_) != CONNECTION_OK) {
        // The administrator's log gets libpq's reason; the message stays plain.
        std::fprintf(stderr, "zorvi-server: database connection: %s", PQerrorMessage(conn_));
        return false;
    }
    // Warnings (a NOTICE for an IF NOT EXISTS) are not the log's business.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    return true;
}

int PgConnection::socket() const {
    return PQsocket(conn_);
}

PgResult PgConnection::exec(const char* sql, const std::vector<PgValue>& params) {
    if (!ensureOpen())
        throw DatabaseUnavailable("lost the database " + shown(url_));
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const PgValue& p : params)
        values.push_back(p.data());
    return checked(PQexecParams(conn_, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

void PgConnection::script(const char* sql) {
    if (!ensureOpen())
        throw DatabaseUnavailable("lost the database " + shown(url_));
    checked(PQexec(conn_, sql));
}

PgResult PgConnection::checked(pg_result* result) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return PgResult(result);
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const std::string code = state ? state : "";
    std::fprintf(stderr, "zorvi-server: database statement failed: %s", PQerrorMessage(conn_));
    PQclear(result);
    if (code == "40001" || code == "40P01")
        throw PgConflict("the database refused a transaction that raced another; try again");
    throw std::runtime_error(PQstatus(conn_) == CONNECTION_OK ? "a database statement failed"
                                                                : "lost the connection to the database");
}
