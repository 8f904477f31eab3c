#pragma once

#include "Spool.h"
#include "core/CallRecordSink.h"
#include "loop/EventLoop.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace velmora::records {

inline constexpr const char* kStatusUnreachable = "Call records: database unreachable, records kept locally.";
inline constexpr const char* kStatusReachable = "Call records: database reachable again.";
inline constexpr const char* kStatusSpoolFull =
    "Call records: local store full, the oldest records not yet in the database were dropped (the call-log file "
    "keeps them).";

// Call records into PostgreSQL. recordWritten only appends the row to the
// spool and wakes the writer thread, which inserts the spooled rows in order
// (a retry is harmless: the table keeps one row per agent and call), forgets
// them once committed, and on failure tries again after 1 s, doubling to 60 s.
// Rows left in the spool by an earlier run or a crash go first.
class RecordStore : public core::CallRecordSink {
public:
    struct Options {
        std::string uri;
        std::filesystem::path spoolFile;
        Spool::Limits limits;
        std::chrono::milliseconds firstRetry{1000}, lastRetry{60000};
        // A connection idle this long is closed: thousands of agents need not
        // hold one each.
        std::chrono::milliseconds idleClose{30000};
        std::size_t batchRows = 200;
        // Whether recordWritten itself waits for the disk. Off, the row is
        // the kernel's when it returns (a crash of the program loses
        // nothing) and the writer syncs it a moment later, before sending:
        // a sync costs milliseconds on many disks.
        bool syncOnUiThread = false;
    };
    // status runs on the UI thread, through ui.post (which any thread may
    // call), with the texts above: each once per change.
    using Status = std::function<void(const std::string&)>;

    // Throws std::runtime_error when the spool cannot be opened or the URI is
    // refused (see planConnection).
    RecordStore(Options options, loop::EventLoop& ui, Status status);
    // Stops the writer at once; what it has not committed stays in the spool.
    ~RecordStore() override;

    void recordWritten(const core::CallRecordRow& row) override;

    // Rows the database has not confirmed yet.
    std::size_t pending() const { return spool_.size(); }

private:
    void run();
    void post(const std::string& text);
    void unreachable(const std::string& error);
    void reachable();
    bool insert(class Database& db, const std::vector<Spool::Pending>& batch, std::string& error);
    // Sleeps until the time is up or the store stops (wakeForRows: or rows come).
    bool sleep(std::chrono::milliseconds duration, bool wakeForRows);

    Options options_;
    loop::EventLoop& ui_;
    Status status_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // read and cleared on the UI thread only
    Spool spool_;
    int wakeFd_ = -1, stopFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> fullSaid_{false};
    bool unreachableSaid_ = false;  // writer thread only
    std::string lastError_;
    std::thread writer_;
};

// The rows as an INSERT of the table's columns; a row already there is kept.
struct InsertStatement {
    std::string sql;
    std::vector<std::optional<std::string>> params;
};
InsertStatement insertStatement(const std::vector<core::CallRecordRow>& rows);

// "YYYY-MM-DD HH:MM:SS+00" of a UTC epoch second, and the day "YYYY-MM-DD".
std::string utcTimestamp(std::int64_t epoch);
std::string civilDay(std::int64_t epochDays);

}  // namespace velmora::records
