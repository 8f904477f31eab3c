#include "Postgres.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace velmora::rig {
namespace {

const std::filesystem::path kBin = "/usr/lib/postgresql/15/bin";

// PostgreSQL will not run as root: there it runs as nobody, in folders nobody owns.
std::vector<std::string> asServerUser(std::vector<std::string> argv) {
    if (::geteuid() != 0) return argv;
    argv.insert(argv.begin(), {"runuser", "-u", "nobody", "--"});
    return argv;
}

void giveToServerUser(const std::filesystem::path& path) {
    if (::geteuid() != 0) return;
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
        throw std::runtime_error("cannot give " + path.string() + " to the user nobody");
}

}  // namespace

Postgres::Postgres() : dataDir_(folder_.path() / "data"), socketDir_(folder_.path() / "socket") {
    std::filesystem::create_directories(socketDir_);
    for (const auto& path : {folder_.path(), socketDir_}) giveToServerUser(path);
    run({(kBin / "initdb").string(), "-D", dataDir_.string(), "-A", "trust", "-U", user, "-E", "UTF8",
         "--no-instructions", "--no-sync"},
        "initdb");
    start();
}

Postgres::~Postgres() {
    try {
        stop();
    } catch (const std::exception&) {
    }
}

void Postgres::run(const std::vector<std::string>& argv, const std::string& what) {
    const auto log = folder_.path() / (what + ".log");
    ChildProcess process(asServerUser(argv), log);
    const auto status = process.wait(std::chrono::seconds(120));
    if (status != 0) throw std::runtime_error(what + " failed: " + readFile(log) + readFile(logFile()));
}

void Postgres::start() {
    if (running_) return;
    // Tests need no durability: fsync off makes them quicker.
    run({(kBin / "pg_ctl").string(), "-D", dataDir_.string(), "-l", logFile().string(), "-w", "-t", "60", "-o",
         "-k " + socketDir_.string() + " -c listen_addresses='' -c fsync=off -c max_connections=200", "start"},
        "pg_ctl-start");
    running_ = true;
}

void Postgres::stop() {
    if (!running_) return;
    running_ = false;
    run({(kBin / "pg_ctl").string(), "-D", dataDir_.string(), "-m", "fast", "-w", "-t", "60", "stop"}, "pg_ctl-stop");
}

std::string Postgres::uri(const std::string& database) const {
    return "postgresql://" + std::string(user) + "@/" + database + "?host=" + socketDir_.string();
}

void Postgres::createDatabase(const std::string& name) {
    if (name.empty() || name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos)
        throw std::invalid_argument("a database name is lower-case letters, digits and underscores");
    query("postgres", "CREATE DATABASE " + name);
}

std::vector<std::vector<std::string>> Postgres::query(const std::string& database, const std::string& sql) const {
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(uri(database).c_str()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error("cannot connect to " + uri(database) + ": " + PQerrorMessage(conn.get()));
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), &PQclear);
    const auto status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(sql + ": " + PQresultErrorMessage(result.get()));
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < PQntuples(result.get()); ++r) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < PQnfields(result.get()); ++c) row.emplace_back(PQgetvalue(result.get(), r, c));
    }
    return rows;
}

}  // namespace velmora::rig
