// records_bench [ROWS]: starts a PostgreSQL of its own and prints
//  - the UI-thread time of recordWritten (store off: no sink; store on: the
//    spool's append, the writer syncs it; store on, synced on the UI thread),
//    per call: mean, median, 99th percentile, max;
//  - the rows per second the writer commits, for a burst and for a backlog
//    left in the spool while the database was away.
#include "Postgres.h"
#include "RecordsTesting.h"
#include "records/RecordStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <thread>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

core::CallRecordRow row(int n) {
    core::CallRecordRow r;
    r.callId = "1796774400-" + std::to_string(n);
    r.agentLogin = "1001";
    r.agentName = "Bench Agent";
    r.account = "7730";
    r.machine = "bench";
    r.line = n % 2;
    r.direction = "out";
    r.number = "5551234567";
    r.startUtc = 1796774400 + n;
    r.answerUtc = r.startUtc + 4;
    r.endUtc = r.startUtc + 64;
    r.utcOffsetSeconds = 3600;
    r.seconds = 60;
    r.outcome = "hang up";
    return r;
}

void printTimes(const char* label, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / static_cast<double>(us.size());
    std::printf("%-36s mean %8.1f us  median %8.1f us  p99 %8.1f us  max %8.1f us\n", label, mean, us[us.size() / 2],
                us[us.size() * 99 / 100], us.back());
}

double waitDrained(records::RecordStore& store, Clock::time_point since) {
    while (store.pending() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    rig::Postgres pg;
    pg.createDatabase("records");
    rig::TempFolder folder("velmora-records-bench");
    records::testing::ManualLoop loop;  // its posts (status lines) are left unread
    records::RecordStore::Options options;
    options.uri = pg.uri("records");
    options.spoolFile = folder.path() / "records-spool";
    options.firstRetry = std::chrono::milliseconds(50);
    options.lastRetry = std::chrono::milliseconds(200);

    std::printf("records_bench: %d rows, PostgreSQL 15 on a Unix socket (fsync off), spool in %s\n", rows,
                folder.path().c_str());
    {
        core::CallRecordSink* off = nullptr;
        std::vector<double> us;
        for (int n = 0; n < rows; ++n) {
            const auto r = row(n);
            const auto start = Clock::now();
            if (off) off->recordWritten(r);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        printTimes("recordWritten, store off:", us);
    }
    {
        records::RecordStore store(options, loop, {});
        while (pg.query("records", "SELECT count(*) FROM pg_tables WHERE tablename = 'call_records'")[0][0] != "1")
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<double> us;
        const auto burst = Clock::now();
        for (int n = 0; n < rows; ++n) {
            const auto r = row(n);
            const auto start = Clock::now();
            store.recordWritten(r);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        printTimes("recordWritten, store on:", us);
        const double seconds = waitDrained(store, burst);
        std::printf("%-36s %8.0f rows/s (%d rows in %.2f s, submitted as fast as possible)\n",
                    "writer, live burst:", rows / seconds, rows, seconds);
    }
    {
        // A backlog: the rows wait in the spool while the database is away.
        pg.stop();
        {
            records::RecordStore store(options, loop, {});
            for (int n = rows; n < 2 * rows; ++n) store.recordWritten(row(n));
        }
        pg.start();
        const auto start = Clock::now();
        records::RecordStore store(options, loop, {});
        const double seconds = waitDrained(store, start);
        std::printf("%-36s %8.0f rows/s (%d spooled rows in %.2f s, connection included)\n",
                    "writer, backlog after an outage:", rows / seconds, rows, seconds);
    }
    const int synced = std::min(rows, 1000);
    {
        // The same with the disk waited for on the UI thread.
        auto o = options;
        o.syncOnUiThread = true;
        records::RecordStore store(o, loop, {});
        std::vector<double> us;
        for (int n = 2 * rows; n < 2 * rows + synced; ++n) {
            const auto r = row(n);
            const auto start = Clock::now();
            store.recordWritten(r);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        printTimes("recordWritten, synced on UI thread:", us);
        waitDrained(store, Clock::now());
    }
    const auto count = pg.query("records", "SELECT count(*) FROM call_records")[0][0];
    std::printf("rows in the table: %s (expected %d)\n", count.c_str(), 2 * rows + synced);
    return count == std::to_string(2 * rows + synced) ? 0 : 1;
}
