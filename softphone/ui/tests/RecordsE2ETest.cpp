// The whole program writing its call records to a PostgreSQL of the test's
// own as well as to the CSV file: every record arrives once with the CSV's
// values, whatever happens to the database or the program meanwhile.
#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Postgres.h"
#include "Sipp.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";

// The CSV's records as (number, seconds, outcome), in order.
std::vector<std::vector<std::string>> csvRecords(const std::filesystem::path& file) {
    std::vector<std::vector<std::string>> out;
    std::istringstream lines(rig::readFile(file));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        for (std::size_t at = line.find('"'); at != std::string::npos; at = line.find('"', line.find('"', at + 1) + 1))
            fields.push_back(line.substr(at + 1, line.find('"', at + 1) - at - 1));
        if (fields.size() == 6) out.push_back({fields[0], fields[2], fields[5]});
    }
    return out;
}

struct RecordsE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{{"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1}};
    rig::Postgres db;
    std::unique_ptr<rig::Sipp> customer;
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    RecordsE2E() {
        char name[] = "/tmp/velmora-records-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
        db.createDatabase("records");
        std::ofstream(root / "bin/deployment.ini", std::ios::app) << "CallRecordStore=" << db.uri("records") << "\r\n";
    }
    ~RecordsE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    void customerAnswers(int calls) {
        customer = std::make_unique<rig::Sipp>(rig::Sipp::Setup{"uas_answer.xml", {}, kCustomer, "", 120, calls});
        ASSERT_EQ(rig::registerContact(pbx, kCustomer, "customerpw", customer->port()), "");
    }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root, bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually([&] { return app->get("BtnOnline", "Caption") == "Offline"; }, std::chrono::seconds(30)))
            << app->output().toStdString();
        ASSERT_TRUE(eventually([&] { return app->items("ListStatusLog").contains("Ready..."); }));
    }

    std::size_t logged() { return csvRecords(root / "logs/Ann_calllogs.csv").size(); }

    // One call to the customer, connected and hung up by the agent.
    void callAndHangUp() {
        const std::size_t before = logged();
        ASSERT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
        ASSERT_EQ(app->click("BtnDial"), "");
        ASSERT_TRUE(eventually([&] { return app->items("ListStatusLog").contains("Line-1: Success to connect."); }))
            << app->items("ListStatusLog").join("|").toStdString() << "\n"
            << customer->messages().substr(customer->messages().size() > 3000 ? customer->messages().size() - 3000 : 0)
            << app->output().toStdString();
        ASSERT_EQ(app->click("BtnHangUp"), "");
        ASSERT_TRUE(eventually([&] { return logged() == before + 1; }));
        // Half a second after a Hang Up the status list is emptied: the next
        // call's lines come after that.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }

    std::vector<std::vector<std::string>> rows() {
        try {
            return db.query(
                "records",
                "SELECT number, seconds::text, outcome, call_id, agent_login FROM call_records ORDER BY seq");
        } catch (const std::exception&) {
            return {};  // no table yet, or the server is down
        }
    }
    bool rowsArrive(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(30)) {
        return eventually([&] { return rows().size() >= count; }, limit);
    }
};

TEST_F(RecordsE2E, PlacedAndTakenCallsArriveOnceWithTheCsvValues) {
    customerAnswers(2);
    startRegistered();
    callAndHangUp();
    callAndHangUp();
    rig::Sipp caller({"uac_call_agent.xml",
                      {{"DOMAIN", "pbx7730.test"}, {"CALLER", "5550199"}, {"CALLER_NAME", "Zoe"}, {"TALK_MS", "1500"}},
                      "1001",
                      pbx.hostPort()});
    ASSERT_TRUE(eventually([&] { return app->items("ListIncomingCall").size() == 1; })) << app->output().toStdString();
    ASSERT_EQ(app->click("BtnAccept"), "");
    ASSERT_TRUE(eventually([&] { return logged() == 3; }, std::chrono::seconds(20))) << caller.report();

    ASSERT_TRUE(rowsArrive(3)) << app->output().toStdString();
    const auto csv = csvRecords(root / "logs/Ann_calllogs.csv");
    const auto stored = rows();
    ASSERT_EQ(stored.size(), csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i) {
        EXPECT_EQ(stored[i][0], csv[i][0]) << i;
        EXPECT_EQ(stored[i][1], csv[i][1]) << i;
        EXPECT_EQ(stored[i][2], csv[i][2]) << i;
        EXPECT_EQ(stored[i][4], "1001");
    }
    EXPECT_EQ(csv.back(), (std::vector<std::string>{"5550199", csv.back()[1], ""}));
    const auto direction = db.query("records", "SELECT direction, caller_name FROM call_records ORDER BY seq");
    EXPECT_EQ(direction.back(), (std::vector<std::string>{"in", "Zoe"}));
    EXPECT_EQ(direction.front()[0], "out");
}

TEST_F(RecordsE2E, TwentyCallsWhileTheDatabaseIsAwayArriveOnceInOrder) {
    customerAnswers(20);
    startRegistered();
    db.stop();
    for (int i = 0; i < 20; ++i) {
        callAndHangUp();
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(rows().empty());
    db.start();
    ASSERT_TRUE(rowsArrive(20, std::chrono::seconds(90))) << app->output().toStdString();
    const auto stored = rows();
    ASSERT_EQ(stored.size(), 20u);
    // In the order of their calls: the serial at the end of each call's id grows.
    long previous = 0;
    for (const auto& row : stored) {
        const long serial = std::stol(row[3].substr(row[3].rfind('-') + 1));
        EXPECT_GT(serial, previous) << row[3];
        previous = serial;
    }
}

TEST_F(RecordsE2E, AProgramKilledBeforeTheInsertSendsTheRecordOnceAfterRestart) {
    customerAnswers(1);
    startRegistered();
    db.stop();
    callAndHangUp();
    ASSERT_EQ(::kill(static_cast<pid_t>(app->pid()), SIGKILL), 0);
    app->waitForExit(std::chrono::seconds(10));
    app.reset();
    db.start();
    startRegistered();
    ASSERT_TRUE(rowsArrive(1)) << app->output().toStdString();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows().at(0).at(0), kCustomer);
}

}  // namespace
}  // namespace velmora::e2e
