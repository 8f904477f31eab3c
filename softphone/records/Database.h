#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct pg_conn;

namespace velmora::records {

// The libpq parameters to connect with for a CallRecordStore URI, or the
// reason it is refused. The password never travels in the URI (libpq takes it
// from the password file); the server's certificate and name are always
// checked (sslmode=verify-full) unless every host is a local Unix socket.
struct ConnectionPlan {
    std::vector<std::pair<std::string, std::string>> params;  // in libpq's order: later ones win
    std::string error;
};
ConnectionPlan planConnection(const std::string& uri);

// One connection to PostgreSQL, driven without blocking on the network: every
// wait also watches stopFd and gives up once it is readable, so a writer
// thread stops at once whatever the server does. (Only a host name's DNS
// lookup inside libpq may hold it longer.)
class Database {
public:
    using Value = std::optional<std::string>;  // nothing: SQL NULL
    struct Result {
        enum Kind { Ok, Rejected, Failed } kind = Failed;  // Rejected: the data (SQLSTATE class 22 or 23)
        std::string error, sqlstate;
        std::vector<std::vector<Value>> rows;
        bool ok() const { return kind == Ok; }
    };

    explicit Database(int stopFd = -1);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // False with the reason in error; the URI goes through planConnection.
    bool connect(const std::string& uri, std::string& error,
                 std::chrono::milliseconds timeout = std::chrono::seconds(15));
    bool connected() const;
    void close();

    // One statement with text parameters ($1, $2, ...), or with none several
    // statements separated by semicolons.
    Result exec(const std::string& sql, const std::vector<Value>& params = {},
                std::chrono::milliseconds timeout = std::chrono::seconds(60));

private:
    enum class Wait { Ready, TimedOut, Stopped, Broken };
    Wait waitSocket(bool forWrite, std::chrono::steady_clock::time_point deadline);

    pg_conn* conn_ = nullptr;
    int stopFd_;
};

// libpq's messages, on one line and within a status line's reach.
std::string oneLine(const std::string& text);

}  // namespace velmora::records
