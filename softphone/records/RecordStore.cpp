#include "RecordStore.h"

#include "RecordingDigest.h"

#include "Database.h"
#include "Schema.h"
#include "core/Diagnostics.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace velmora::records {
namespace {

constexpr const char* kColumns =
    "agent_login, call_id, agent_name, account, machine, line, direction, number, caller_name, started_at, "
    "answered_at, ended_at, utc_offset_seconds, local_day, seconds, outcome, recording_file, recording_size, "
    "recording_sha256";
constexpr const char* kCasts[] = {"",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "::smallint",
                                  "",
                                  "",
                                  "",
                                  "::timestamptz",
                                  "::timestamptz",
                                  "::timestamptz",
                                  "::integer",
                                  "::date",
                                  "::bigint",
                                  "",
                                  "",
                                  "::bigint",
                                  ""};
constexpr std::size_t kColumnCount = std::size(kCasts);

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

void signal(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(fd, &one, sizeof one);
}

void drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = ::read(fd, &count, sizeof count);
}

}  // namespace

std::string civilDay(std::int64_t days) {
    // Days since 1970-01-01 to the proleptic Gregorian date (H. Hinnant's algorithm).
    days += 719468;
    const std::int64_t era = floorDiv(days, 146097);
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(year), month, day);
    return text;
}

std::string utcTimestamp(std::int64_t epoch) {
    const std::int64_t second = epoch - floorDiv(epoch, 86400) * 86400;
    char time[32];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d+00", static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return civilDay(floorDiv(epoch, 86400)) + time;
}

// The saved recording's size and SHA-256, taken here on the writer's thread:
// hashing a long call's file would hold up the window for tens of milliseconds.
core::CallRecordRow withRecordingFacts(core::CallRecordRow row) {
    if (row.machine.empty()) {
        char host[256] = {};
        if (::gethostname(host, sizeof host - 1) == 0) row.machine = host;
    }
    if (row.recordingFile.empty() || !row.recordingSha256.empty()) return row;
    if (const auto digest = digestFile(row.recordingFile)) {
        row.recordingSize = digest->size;
        row.recordingSha256 = digest->sha256;
    }
    return row;
}

InsertStatement insertStatement(const std::vector<core::CallRecordRow>& rows) {
    InsertStatement statement;
    statement.sql = std::string("INSERT INTO call_records (") + kColumns + ") VALUES ";
    std::size_t n = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        statement.sql += r ? ",(" : "(";
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            statement.sql += (c ? ",$" : "$") + std::to_string(++n) + kCasts[c];
        }
        statement.sql += ')';
        const bool recorded = !row.recordingFile.empty();
        auto& p = statement.params;
        p.emplace_back(row.agentLogin);
        p.emplace_back(row.callId);
        p.emplace_back(row.agentName);
        p.emplace_back(row.account);
        p.emplace_back(row.machine);
        p.emplace_back(std::to_string(row.line));
        p.emplace_back(row.direction);
        p.emplace_back(row.number);
        p.emplace_back(row.callerName);
        p.emplace_back(utcTimestamp(row.startUtc));
        p.push_back(row.answerUtc ? std::optional(utcTimestamp(row.answerUtc)) : std::nullopt);
        p.emplace_back(utcTimestamp(row.endUtc));
        p.emplace_back(std::to_string(row.utcOffsetSeconds));
        p.emplace_back(civilDay(floorDiv(row.startUtc + row.utcOffsetSeconds, 86400)));
        p.emplace_back(std::to_string(row.seconds));
        p.emplace_back(row.outcome);
        p.push_back(recorded ? std::optional(row.recordingFile) : std::nullopt);
        p.push_back(recorded ? std::optional(std::to_string(row.recordingSize)) : std::nullopt);
        p.push_back(recorded && !row.recordingSha256.empty() ? std::optional(row.recordingSha256) : std::nullopt);
    }
    // No conflict target: any unique key holds, a partitioned one (with the day) too.
    statement.sql += " ON CONFLICT DO NOTHING";
    return statement;
}

RecordStore::RecordStore(Options options, loop::EventLoop& ui, Status status)
    : options_(std::move(options)), ui_(ui), status_(std::move(status)), spool_(options_.spoolFile, options_.limits) {
    if (const auto plan = planConnection(options_.uri); !plan.error.empty()) throw std::runtime_error(plan.error);
    options_.batchRows = std::clamp<std::size_t>(options_.batchRows, 1, 1000);
    if (spool_.unreadableAtOpen())
        core::diagnostic("call records: " + std::to_string(spool_.unreadableAtOpen()) + " unreadable line(s) in " +
                         spool_.file().string() + " skipped");
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 || stopFd_ < 0) {
        if (wakeFd_ >= 0) ::close(wakeFd_);
        if (stopFd_ >= 0) ::close(stopFd_);
        throw std::runtime_error("call records: no eventfd");
    }
    if (spool_.droppedAtOpen()) {
        fullSaid_ = true;
        post(kStatusSpoolFull);
    }
    writer_ = std::thread([this] { run(); });
}

RecordStore::~RecordStore() {
    *alive_ = false;
    stopping_ = true;
    signal(stopFd_);
    writer_.join();
    ::close(wakeFd_);
    ::close(stopFd_);
}

void RecordStore::recordWritten(const core::CallRecordRow& row) {
    const auto appended = spool_.append(row, options_.syncOnUiThread);
    if (!appended.ok) core::diagnostic("call records: cannot write " + spool_.file().string());
    if (appended.dropped && !fullSaid_.exchange(true)) post(kStatusSpoolFull);
    signal(wakeFd_);
}

void RecordStore::post(const std::string& text) {
    ui_.post([alive = alive_, status = status_, text] {
        if (*alive && status) status(text);
    });
}

void RecordStore::unreachable(const std::string& error) {
    // The reason goes to the diagnostics once per different reason, not on every retry.
    if (error != lastError_) core::diagnostic("call records: " + error);
    lastError_ = error;
    if (!unreachableSaid_) post(kStatusUnreachable);
    unreachableSaid_ = true;
}

void RecordStore::reachable() {
    lastError_.clear();
    if (unreachableSaid_) post(kStatusReachable);
    unreachableSaid_ = false;
}

bool RecordStore::sleep(std::chrono::milliseconds duration, bool wakeForRows) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (!stopping_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, wakeForRows ? 2 : 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (ready < 0 && errno != EINTR) return !stopping_;
        if (wakeForRows && fds[1].revents) {
            drain(wakeFd_);
            return true;
        }
    }
    return false;
}

bool RecordStore::insert(Database& db, const std::vector<Spool::Pending>& batch, std::string& error) {
    std::vector<core::CallRecordRow> rows;
    for (const auto& pending : batch) rows.push_back(withRecordingFacts(pending.row));
    const auto statement = insertStatement(rows);
    auto result = db.exec(statement.sql, statement.params);
    if (result.ok()) {
        spool_.confirm(batch.back().seq);
        return true;
    }
    if (result.kind != Database::Result::Rejected) {
        error = result.error;
        return false;
    }
    // A row the database refuses would hold back every row after it: each
    // goes alone, and one refused is given up (the call-log file keeps it).
    for (const auto& pending : batch) {
        const auto one = insertStatement({withRecordingFacts(pending.row)});
        result = db.exec(one.sql, one.params);
        if (result.kind == Database::Result::Rejected)
            core::diagnostic("call records: call " + pending.row.callId + " refused by the database: " + result.error);
        else if (!result.ok()) {
            error = result.error;
            return false;
        }
        spool_.confirm(pending.seq);
    }
    return true;
}

void RecordStore::run() {
    Database db(stopFd_);
    bool migrated = false;
    auto delay = options_.firstRetry;
    auto retryLater = [&](const std::string& error) {
        db.close();
        if (stopping_) return;
        unreachable(error);
        sleep(delay, false);
        delay = std::min(delay * 2, options_.lastRetry);
    };
    while (!stopping_) {
        if (!db.connected()) {
            // Connect when there is something to send, and once at start for the schema.
            if (migrated && spool_.size() == 0) {
                sleep(std::chrono::hours(24), true);
                continue;
            }
            std::string error;
            if (!db.connect(options_.uri, error)) {
                retryLater(error);
                continue;
            }
            if (!migrated && !(migrated = migrate(db, error))) {
                retryLater(error);
                continue;
            }
        }
        if (!options_.syncOnUiThread) spool_.sync();
        const auto batch = spool_.peek(options_.batchRows);
        if (batch.empty()) {
            if (spool_.size() == 0) {
                fullSaid_ = false;
                reachable();
            }
            if (!sleep(options_.idleClose, true)) break;
            if (spool_.size() == 0) db.close();
            continue;
        }
        std::string error;
        if (!insert(db, batch, error)) {
            // A table gone missing (or changed) is seen to by the migration on reconnecting.
            migrated = false;
            retryLater(error);
            continue;
        }
        delay = options_.firstRetry;
        reachable();
    }
}

}  // namespace velmora::records
