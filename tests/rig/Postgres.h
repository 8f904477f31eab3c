#pragma once

#include "ChildProcess.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::rig {

// A PostgreSQL 15 server of its own: a fresh cluster (initdb, trust for its one
// superuser) in a temporary folder, reached only through a Unix socket in that
// folder (no TCP port), started with pg_ctl and stopped when destroyed. Run as
// root (CI), the server runs as the user nobody, since PostgreSQL refuses root.
class Postgres {
public:
    Postgres();  // returns once it accepts connections; throws otherwise
    ~Postgres();
    Postgres(const Postgres&) = delete;
    Postgres& operator=(const Postgres&) = delete;

    // Stops (fast: sessions are ended) and starts the same cluster again.
    void stop();
    void start();

    static constexpr const char* user = "velmora";
    const std::filesystem::path& socketDir() const { return socketDir_; }
    // postgresql://velmora@/DATABASE?host=SOCKETDIR
    std::string uri(const std::string& database = "postgres") const;
    // A fresh database; its name is letters, digits and underscores.
    void createDatabase(const std::string& name);
    // Runs sql and returns its rows as texts (NULL as ""); throws on an error.
    std::vector<std::vector<std::string>> query(const std::string& database, const std::string& sql) const;
    std::filesystem::path logFile() const { return folder_.path() / "postgres.log"; }

private:
    void run(const std::vector<std::string>& argv, const std::string& what);

    TempFolder folder_{"velmora-postgres"};
    std::filesystem::path dataDir_, socketDir_;
    bool running_ = false;
};

}  // namespace velmora::rig
