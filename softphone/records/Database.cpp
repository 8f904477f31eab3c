#include "Database.h"

#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace velmora::records {
namespace {

bool isUnixSocket(const std::string& host) { return !host.empty() && host.front() == '/'; }

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto comma = list.find(',', start);
        parts.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

}  // namespace

std::string oneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > 300) out.resize(300);
    return out;
}

ConnectionPlan planConnection(const std::string& uri) {
    ConnectionPlan plan;
    if (uri.rfind("postgresql://", 0) != 0 && uri.rfind("postgres://", 0) != 0) {
        plan.error = "the database URI does not start with postgresql://";
        return plan;
    }
    // libpq's parse message may quote the URI, password and all: not repeated.
    char* parseError = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(PQconninfoParse(uri.c_str(), &parseError),
                                                                         &PQconninfoFree);
    if (parseError) PQfreemem(parseError);
    if (!options) {
        plan.error = "the database URI is not a valid connection URI";
        return plan;
    }
    std::string host, hostaddr, sslmode;
    bool hasTimeout = false;
    for (auto* option = options.get(); option->keyword; ++option) {
        if (!option->val) continue;
        const std::string keyword = option->keyword;
        if (keyword == "password" && *option->val) {
            plan.error = "the database URI holds a password; it belongs in the password file";
            return plan;
        }
        if (keyword == "host") host = option->val;
        if (keyword == "hostaddr") hostaddr = option->val;
        if (keyword == "sslmode") sslmode = option->val;
        if (keyword == "connect_timeout") hasTimeout = true;
    }
    if (host.empty() && hostaddr.empty()) {
        // libpq falls back to PGHOST, PGHOSTADDR, then the local socket.
        if (const char* env = std::getenv("PGHOST")) host = env;
        if (const char* env = std::getenv("PGHOSTADDR")) hostaddr = env;
    }
    bool local = hostaddr.empty();
    for (const auto& one : split(host)) local = local && (one.empty() || isUnixSocket(one));

    if (!hasTimeout) plan.params.emplace_back("connect_timeout", "10");
    plan.params.emplace_back("application_name", "velmoraapp");
    plan.params.emplace_back("dbname", uri);
    if (sslmode.empty()) {
        plan.params.emplace_back("sslmode", "verify-full");
    } else if (sslmode != "verify-full" && !local) {
        plan.error = "the database URI asks for sslmode=" + oneLine(sslmode) +
                     ", but a server reached over the network must be checked (sslmode=verify-full)";
        return plan;
    }
    plan.params.emplace_back("client_encoding", "UTF8");
    plan.params.emplace_back("keepalives", "1");
    plan.params.emplace_back("keepalives_idle", "30");
    plan.params.emplace_back("keepalives_interval", "10");
    plan.params.emplace_back("keepalives_count", "3");
    return plan;
}

Database::Database(int stopFd) : stopFd_(stopFd) {}

Database::~Database() { close(); }

bool Database::connected() const { return conn_ && PQstatus(conn_) == CONNECTION_OK; }

void Database::close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

Database::Wait Database::waitSocket(bool forWrite, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Wait::TimedOut;
        pollfd fds[2] = {{PQsocket(conn_), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0}, {stopFd_, POLLIN, 0}};
        if (fds[0].fd < 0) return Wait::Broken;
        const int ready = ::poll(fds, stopFd_ >= 0 ? 2 : 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Wait::Broken;
        if (stopFd_ >= 0 && fds[1].revents) return Wait::Stopped;
        if (ready > 0) return Wait::Ready;
    }
}

bool Database::connect(const std::string& uri, std::string& error, std::chrono::milliseconds timeout) {
    close();
    const auto plan = planConnection(uri);
    if (!plan.error.empty()) {
        error = plan.error;
        return false;
    }
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : plan.params) {
        keys.push_back(key.c_str());
        values.push_back(value.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectStartParams(keys.data(), values.data(), 1);
    if (!conn_ || PQstatus(conn_) == CONNECTION_BAD) {
        error = conn_ ? oneLine(PQerrorMessage(conn_)) : "out of memory";
        close();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (auto state = PGRES_POLLING_WRITING;;) {
        if (state == PGRES_POLLING_OK) {
            // Statements are sent without blocking too; exec waits on the socket itself.
            if (PQsetnonblocking(conn_, 1) == 0) return true;
            error = oneLine(PQerrorMessage(conn_));
            close();
            return false;
        }
        if (state == PGRES_POLLING_FAILED) {
            error = oneLine(PQerrorMessage(conn_));
            close();
            return false;
        }
        const auto waited = waitSocket(state == PGRES_POLLING_WRITING, deadline);
        if (waited != Wait::Ready) {
            error = waited == Wait::Stopped    ? "stopped"
                    : waited == Wait::TimedOut ? "connection timed out"
                                               : "connection failed";
            close();
            return false;
        }
        state = PQconnectPoll(conn_);
    }
}

Database::Result Database::exec(const std::string& sql, const std::vector<Value>& params,
                                std::chrono::milliseconds timeout) {
    Result result;
    if (!connected()) {
        result.error = "not connected";
        return result;
    }
    std::vector<const char*> values;
    for (const auto& value : params) values.push_back(value ? value->c_str() : nullptr);
    const bool sent = params.empty() ? PQsendQuery(conn_, sql.c_str())
                                     : PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                                         values.data(), nullptr, nullptr, 0);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto giveUp = [&](const std::string& why) {
        result.kind = Result::Failed;
        result.error = why;
        close();  // a connection in the middle of a statement is of no further use
        return result;
    };
    if (!sent) return giveUp(oneLine(PQerrorMessage(conn_)));
    for (int flushed; (flushed = PQflush(conn_)) != 0;) {
        if (flushed < 0) return giveUp(oneLine(PQerrorMessage(conn_)));
        const auto waited = waitSocket(true, deadline);
        if (waited == Wait::Ready)
            PQconsumeInput(conn_);
        else
            return giveUp(waited == Wait::Stopped ? "stopped" : "the server did not answer in time");
    }
    result.kind = Result::Ok;
    bool firstError = true;
    for (;;) {
        while (PQisBusy(conn_)) {
            const auto waited = waitSocket(false, deadline);
            if (waited != Wait::Ready)
                return giveUp(waited == Wait::Stopped ? "stopped" : "the server did not answer in time");
            if (!PQconsumeInput(conn_)) return giveUp(oneLine(PQerrorMessage(conn_)));
        }
        PGresult* one = PQgetResult(conn_);
        if (!one) break;
        const auto status = PQresultStatus(one);
        if (status == PGRES_TUPLES_OK) {
            for (int r = 0; r < PQntuples(one); ++r) {
                std::vector<Value> row;
                for (int c = 0; c < PQnfields(one); ++c)
                    row.push_back(PQgetisnull(one, r, c) ? Value() : Value(PQgetvalue(one, r, c)));
                result.rows.push_back(std::move(row));
            }
        } else if (status != PGRES_COMMAND_OK && status != PGRES_EMPTY_QUERY && firstError) {
            firstError = false;
            const char* state = PQresultErrorField(one, PG_DIAG_SQLSTATE);
            result.sqlstate = state ? state : "";
            result.error = oneLine(PQresultErrorMessage(one));
            const auto category = result.sqlstate.substr(0, 2);
            result.kind = category == "22" || category == "23" ? Result::Rejected : Result::Failed;
        }
        PQclear(one);
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
        result.kind = Result::Failed;
        if (result.error.empty()) result.error = oneLine(PQerrorMessage(conn_));
        close();
    }
    return result;
}

}  // namespace velmora::records
