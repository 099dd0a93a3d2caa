#include "PgDatabase.h"

#include "PgSchema.h"
#include "security/Secrets.h"

#include <stdexcept>

namespace {

// Any number, the same in every instance: instances starting together
// upgrade the schema one after another.
constexpr const char* migrationLock = "SELECT pg_advisory_xact_lock(7402519)";

int schemaVersion(PgConnection& c) {
    const PgResult r = c.exec("SELECT COALESCE(MAX(version), 0) AS version FROM schema_version");
    return int(r.integer(0, "version").value_or(0));
}

} // namespace

PgDatabase::PgDatabase(const QString& url, int poolSize) : pool_(url, poolSize) {
    migrate();
}

void PgDatabase::migrate() {
    const auto& steps = pgSchemaSteps();
    const int known = int(steps.size());
    pool_.with([&](PgConnection& c) {
        c.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER PRIMARY KEY)");
    });
    for (;;) {
        const bool upgraded = pool_.transaction([&] {
            return pool_.with([&](PgConnection& c) {
                c.exec(migrationLock);
                const int version = schemaVersion(c);
                if (version > known)
                    throw std::runtime_error("the database was set up by a newer zorvi-server (schema " +
                                             std::to_string(version) + ", this program knows up to " +
                                             std::to_string(known) + "): run that version or newer");
                if (version == known)
                    return false;
                c.script(steps[std::size_t(version)]);
                c.exec("INSERT INTO schema_version (version) VALUES ($1)", {version + 1});
                return true;
            });
        });
        if (!upgraded)
            return;
    }
}

std::int64_t PgDatabase::nextSeq() {
    return pool_.with([](PgConnection& c) {
        return c.exec("UPDATE counters SET value = value + 1 WHERE name = 'seq' RETURNING value").integer(0, "value")
            .value_or(0);
    });
}

std::int64_t PgDatabase::latestSeq() {
    return pool_.with([](PgConnection& c) {
        return c.exec("SELECT value FROM counters WHERE name = 'seq'").integer(0, "value").value_or(0);
    });
}

void PgDatabase::lockFeed() {
    pool_.with([](PgConnection& c) { c.exec("SELECT value FROM counters WHERE name = 'seq' FOR UPDATE"); });
}

QByteArray PgDatabase::signingKey() {
    return pool_.with([](PgConnection& c) {
        c.exec("INSERT INTO settings (name, value) VALUES ('signing_key', $1) ON CONFLICT (name) DO NOTHING",
               {Secrets::randomHex(32)});
        const PgResult r = c.exec("SELECT value FROM settings WHERE name = 'signing_key'");
        return QByteArray::fromHex(r.string(0, "value").value_or(QString()).toLatin1());
    });
}
