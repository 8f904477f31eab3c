#include "Schema.h"

#include <charconv>

namespace velmora::records {
namespace {

// Any constant of our own: serializes the migrations of concurrent programs.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7730100101)";

std::optional<int> readVersion(const Database::Result& result) {
    if (!result.ok() || result.rows.size() != 1 || result.rows[0].size() != 1) return std::nullopt;
    if (!result.rows[0][0]) return 0;  // an empty schema_version
    const auto& text = *result.rows[0][0];
    int version = 0;
    const auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (error != std::errc() || at != text.data() + text.size() || version < 0) return std::nullopt;
    return version;
}

}  // namespace

const std::vector<Migration>& migrations() {
    static const std::vector<Migration> steps = {
        {1, R"sql(
CREATE TABLE call_records (
    agent_login        text        NOT NULL,
    call_id            text        NOT NULL,
    agent_name         text        NOT NULL,
    account            text        NOT NULL,
    machine            text        NOT NULL,
    line               smallint    NOT NULL,
    direction          text        NOT NULL,
    number             text        NOT NULL,
    caller_name        text        NOT NULL,
    started_at         timestamptz NOT NULL,
    answered_at        timestamptz,
    ended_at           timestamptz NOT NULL,
    utc_offset_seconds integer     NOT NULL,
    local_day          date        NOT NULL,
    seconds            bigint      NOT NULL,
    outcome            text        NOT NULL,
    recording_file     text,
    recording_size     bigint,
    recording_sha256   text,
    stored_at          timestamptz NOT NULL DEFAULT now(),
    seq                bigint      GENERATED ALWAYS AS IDENTITY,
    PRIMARY KEY (agent_login, call_id)
);
CREATE INDEX call_records_day_agent ON call_records (local_day, agent_login, seconds DESC) INCLUDE (outcome);
)sql"},
    };
    return steps;
}

int latestSchemaVersion() { return migrations().back().version; }

bool migrate(Database& db, std::string& error) {
    auto fail = [&](const Database::Result& result) {
        error = "schema migration failed: " + result.error;
        if (db.connected()) db.exec("ROLLBACK");
        return false;
    };
    // The common case first: already there, nothing to lock or create.
    if (const auto version = readVersion(db.exec("SELECT max(version) FROM schema_version"));
        version && *version >= latestSchemaVersion())
        return true;
    if (!db.connected()) {
        error = "schema migration failed: connection lost";
        return false;
    }
    for (const char* step : {"BEGIN", kMigrationLock,
                             "CREATE TABLE IF NOT EXISTS schema_version (version integer PRIMARY KEY, "
                             "applied_at timestamptz NOT NULL DEFAULT now())"}) {
        const auto result = db.exec(step);
        if (!result.ok()) return fail(result);
    }
    const auto current = db.exec("SELECT max(version) FROM schema_version");
    const auto version = readVersion(current);
    if (!version) return fail(current);
    for (const auto& migration : migrations()) {
        if (migration.version <= *version) continue;
        if (const auto result = db.exec(migration.sql); !result.ok()) return fail(result);
        if (const auto result = db.exec("INSERT INTO schema_version (version) VALUES ($1::integer)",
                                        {std::to_string(migration.version)});
            !result.ok())
            return fail(result);
    }
    if (const auto result = db.exec("COMMIT"); !result.ok()) return fail(result);
    return true;
}

}  // namespace velmora::records
