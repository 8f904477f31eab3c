// The store against a PostgreSQL of the test's own: rows arrive once, in
// order, whatever happens to the database or the program.
#include "RecordsTesting.h"
#include "Postgres.h"
#include "records/Database.h"
#include "records/RecordStore.h"
#include "records/Schema.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

namespace velmora::records {
namespace {

using testing::ManualLoop;
using testing::sampleRow;
using testing::waitUntil;

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override { pg.createDatabase("records"); }

    RecordStore::Options options(const std::string& agent = "1001") {
        RecordStore::Options o;
        o.uri = pg.uri("records");
        o.spoolFile = folder.path() / (agent + "-spool");
        o.firstRetry = std::chrono::milliseconds(50);
        o.lastRetry = std::chrono::milliseconds(400);
        return o;
    }
    std::unique_ptr<RecordStore> store(RecordStore::Options o) {
        return std::make_unique<RecordStore>(std::move(o), loop,
                                             [this](const std::string& text) { statuses.push_back(text); });
    }
    long long count(const std::string& where = "true") {
        try {
            return std::stoll(pg.query("records", "SELECT count(*) FROM call_records WHERE " + where)[0][0]);
        } catch (const std::exception&) {
            return -1;  // no table yet, or the server is down
        }
    }
    std::vector<std::string> callIdsInOrder(const std::string& agent) {
        std::vector<std::string> ids;
        for (const auto& row :
             pg.query("records", "SELECT call_id FROM call_records WHERE agent_login = '" + agent + "' ORDER BY seq"))
            ids.push_back(row[0]);
        return ids;
    }
    std::size_t said(const std::string& text) { return std::count(statuses.begin(), statuses.end(), text); }

    rig::Postgres pg;
    rig::TempFolder folder{"velmora-records"};
    ManualLoop loop;
    std::vector<std::string> statuses;
};

TEST_F(RecordStoreTest, RowsArriveOnceWithAllValues) {
    auto recorded = sampleRow("1001", 7);
    recorded.callerName = "Zoë \"O'Brien\"\tline\nbreak";
    recorded.recordingFile = "/home/agent/Ringvale/messages/5551231007_091225_091200.wav";
    recorded.recordingSize = 96044;
    recorded.recordingSha256 = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    auto unanswered = sampleRow("1001", 4);  // answerUtc 0
    const auto rows = {sampleRow("1001", 1), unanswered, recorded};

    auto sink = store(options());
    for (const auto& row : rows) sink->recordWritten(row);
    sink->recordWritten(recorded);  // a retry of the same call
    ASSERT_TRUE(waitUntil(loop, [&] { return sink->pending() == 0 && count() == 3; }));

    for (const auto& row : rows) {
        const auto got =
            pg.query("records",
                     "SELECT agent_name, account, machine, line, direction, number, caller_name, "
                     "extract(epoch FROM started_at)::bigint, coalesce(extract(epoch FROM answered_at)::bigint, 0), "
                     "extract(epoch FROM ended_at)::bigint, utc_offset_seconds, local_day, seconds, outcome, "
                     "coalesce(recording_file, ''), coalesce(recording_size, 0), coalesce(recording_sha256, '') "
                     "FROM call_records WHERE agent_login = '1001' AND call_id = '" +
                         row.callId + "'");
        ASSERT_EQ(got.size(), 1u) << row.callId;
        const std::vector<std::string> expected{row.agentName,
                                                row.account,
                                                row.machine,
                                                std::to_string(row.line),
                                                row.direction,
                                                row.number,
                                                row.callerName,
                                                std::to_string(row.startUtc),
                                                std::to_string(row.answerUtc),
                                                std::to_string(row.endUtc),
                                                "3600",
                                                "2025-12-09",
                                                std::to_string(row.seconds),
                                                row.outcome,
                                                row.recordingFile,
                                                std::to_string(row.recordingSize),
                                                row.recordingSha256};
        EXPECT_EQ(got[0], expected) << row.callId;
    }
    EXPECT_EQ(count("answered_at IS NULL"), 1);
    EXPECT_EQ(pg.query("records", "SELECT max(version) FROM schema_version")[0][0],
              std::to_string(latestSchemaVersion()));
    struct stat info {};
    ASSERT_EQ(::stat(options().spoolFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(static_cast<std::size_t>(info.st_size), kHeaderSize);
    EXPECT_TRUE(statuses.empty());
}

TEST_F(RecordStoreTest, ASavedRecordingIsDescribedByItsSizeAndDigest) {
    const auto wave = folder.path() / "5551231008_091225_091200.wav";
    std::ofstream(wave, std::ios::binary) << "abc";
    auto row = sampleRow("1001", 8);
    row.recordingFile = wave.string();  // the program leaves size and digest to the writer
    auto sink = store(options());
    sink->recordWritten(row);
    ASSERT_TRUE(waitUntil(loop, [&] { return sink->pending() == 0 && count() == 1; }));
    const auto got = pg.query("records", "SELECT recording_size, recording_sha256, machine FROM call_records");
    EXPECT_EQ(got.at(0).at(0), "3");
    EXPECT_EQ(got.at(0).at(1), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");  // SHA-256 of "abc"
}

TEST_F(RecordStoreTest, DatabaseAwayThenBackLosesNothing) {
    auto sink = store(options());
    ASSERT_TRUE(waitUntil(loop, [&] { return count() == 0; }));  // migrated
    pg.stop();
    std::vector<std::string> submitted;
    for (int n = 1; n <= 20; ++n) {
        sink->recordWritten(sampleRow("1001", n));
        submitted.push_back(sampleRow("1001", n).callId);
    }
    ASSERT_TRUE(waitUntil(loop, [&] { return said(kStatusUnreachable) == 1; }));
    EXPECT_EQ(sink->pending(), 20u);
    pg.start();
    ASSERT_TRUE(waitUntil(loop, [&] { return sink->pending() == 0 && said(kStatusReachable) == 1; }));
    EXPECT_EQ(callIdsInOrder("1001"), submitted);
    EXPECT_EQ(said(kStatusUnreachable), 1u);
    EXPECT_EQ(statuses.size(), 2u);
}

TEST_F(RecordStoreTest, RowsLeftByACrashGoInOnce) {
    struct Case {
        const char* name;
        std::function<void(RecordStore::Options)> leave;
    };
    const Case cases[] = {
        {"spool written, program gone before any insert",
         [](RecordStore::Options o) {
             Spool spool(o.spoolFile, {});
             for (int n = 1; n <= 5; ++n) spool.append(sampleRow("1001", n));
         }},
        {"database away, program ended",
         [this](RecordStore::Options o) {
             o.uri = "postgresql://velmora@/records?host=" + (folder.path() / "nowhere").string();
             auto gone = store(o);
             for (int n = 1; n <= 5; ++n) gone->recordWritten(sampleRow("1001", n));
         }},
        {"ended right after the calls",
         [this](RecordStore::Options o) {
             auto gone = store(o);
             for (int n = 1; n <= 5; ++n) gone->recordWritten(sampleRow("1001", n));
         }},
    };
    for (const auto& c : cases) {
        pg.query("records", "DROP TABLE IF EXISTS call_records; DROP TABLE IF EXISTS schema_version");
        c.leave(options());
        auto sink = store(options());
        ASSERT_TRUE(waitUntil(loop, [&] { return sink->pending() == 0 && count() == 5; })) << c.name;
        EXPECT_EQ(callIdsInOrder("1001").front(), sampleRow("1001", 1).callId) << c.name;
    }
}

TEST_F(RecordStoreTest, TenAgentsAtOnceNeitherDuplicateNorLose) {
    constexpr int agents = 10, calls = 40;
    std::vector<std::unique_ptr<RecordStore>> sinks;
    for (int a = 0; a < agents; ++a) sinks.push_back(store(options("20" + std::to_string(10 + a))));
    for (int n = 1; n <= calls; ++n)
        for (int a = 0; a < agents; ++a) {
            sinks[a]->recordWritten(sampleRow("20" + std::to_string(10 + a), n));
            if (n % 10 == 0) sinks[a]->recordWritten(sampleRow("20" + std::to_string(10 + a), n));  // retried
        }
    ASSERT_TRUE(waitUntil(loop, [&] { return count() == agents * calls; }));
    for (const auto& sink : sinks) EXPECT_EQ(sink->pending(), 0u);
    EXPECT_EQ(pg.query("records", "SELECT count(DISTINCT (agent_login, call_id)) FROM call_records")[0][0],
              std::to_string(agents * calls));
    for (int a = 0; a < agents; ++a)
        EXPECT_EQ(callIdsInOrder("20" + std::to_string(10 + a)).size(), static_cast<std::size_t>(calls));
    EXPECT_EQ(pg.query("records", "SELECT count(*) FROM schema_version")[0][0], "1");
}

TEST_F(RecordStoreTest, PastTheSpoolBoundTheOldestAreDroppedWithOneStatus) {
    auto o = options();
    o.limits.maxRows = 5;
    auto sink = store(o);
    ASSERT_TRUE(waitUntil(loop, [&] { return count() == 0; }));
    pg.stop();
    for (int n = 1; n <= 9; ++n) sink->recordWritten(sampleRow("1001", n));
    loop.runPosted();
    EXPECT_EQ(said(kStatusSpoolFull), 1u);
    EXPECT_EQ(sink->pending(), 5u);
    pg.start();
    ASSERT_TRUE(waitUntil(loop, [&] { return sink->pending() == 0 && count() >= 5; }));
    // The newest five are there; of the four dropped, only one the writer had
    // already taken when the database went away may have gone in too.
    EXPECT_EQ(count("call_id IN ('1765270800-5','1765270800-6','1765270800-7','1765270800-8','1765270800-9')"), 5);
    EXPECT_LE(count(), 9);
    EXPECT_EQ(said(kStatusSpoolFull), 1u);
}

TEST_F(RecordStoreTest, MigrationMakesAnEmptyDatabaseReadyAndIsRepeatable) {
    for (int round = 0; round < 2; ++round) {
        Database db;
        std::string error;
        ASSERT_TRUE(db.connect(pg.uri("records"), error)) << error;
        ASSERT_TRUE(migrate(db, error)) << error;
    }
    EXPECT_EQ(pg.query("records", "SELECT version FROM schema_version")[0][0], "1");
    EXPECT_EQ(pg.query("records", "SELECT indexname FROM pg_indexes WHERE tablename = 'call_records' ORDER BY 1"),
              (std::vector<std::vector<std::string>>{{"call_records_day_agent"}, {"call_records_pkey"}}));
}

}  // namespace
}  // namespace velmora::records
