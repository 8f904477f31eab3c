#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// A telephone system on loopback (Kamailio with the agent's and the
// customer's accounts), a scripted customer reachable by number, and
// velmoraapp provisioned against them on its own install root and bus.
struct CallsE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{{"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1}};
    std::unique_ptr<rig::Sipp> customer;
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    CallsE2E() {
        char name[] = "/tmp/velmora-calls-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
    }
    ~CallsE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    // The customer plays `scenario` and is reachable at its number.
    void customerPlays(const std::string& scenario, std::map<std::string, std::string> values = {}) {
        customer = std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, values, kCustomer, "", 60});
        ASSERT_EQ(rig::registerContact(pbx, kCustomer, "customerpw", customer->port()), "");
    }

    // Start-up, the web panel and the online timer: registered about three seconds later.
    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root, bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually(
            [&] { return app->get("autoCheck", "Enabled") == "True" && app->get("BtnOnline", "Caption") == "Offline"; },
            std::chrono::seconds(30)))
            << app->output().toStdString();
    }

    bool statusShows(const QString& line, std::chrono::seconds limit = std::chrono::seconds(15)) {
        return eventually([&] { return app->items("ListStatusLog").contains(line); }, limit);
    }

    bool peerSaw(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(15)) {
        return eventually([&] { return customer->messages().find(text) != std::string::npos; }, limit);
    }

    std::string callLog() { return readText(root / "logs/Ann_calllogs.csv"); }
};

TEST_F(CallsE2E, ClipboardNumberIsDialledAnsweredAndHungUpByTheAgent) {
    customerPlays("uas_answer.xml");
    startRegistered();
    EXPECT_EQ(app->set("autoCheck", "Value", "1"), "");
    EXPECT_TRUE(eventually([&] { return app->get("autoCheck", "Caption") == "Click On"; }));

    copyToClipboard("1 (555) 765-4321");
    ASSERT_TRUE(peerSaw("INVITE sip:5557654321@")) << customer->report();
    ASSERT_TRUE(statusShows("Line-1: Success to connect.")) << app->items("ListStatusLog").join("|").toStdString();

    EXPECT_EQ(app->click("BtnHangUp"), "");
    EXPECT_TRUE(peerSaw("BYE sip:")) << customer->messages();
    ASSERT_TRUE(eventually([&] { return lineCount(callLog()) == 1; }));
    EXPECT_NE(callLog().find("\"5557654321\",\"Ann\","), std::string::npos) << callLog();
    EXPECT_NE(callLog().find(",\"hang up\"\r\n"), std::string::npos) << callLog();
    const auto placed = readText(root / "logs/callsout.txt");
    EXPECT_EQ(lineCount(placed), 1);
    EXPECT_EQ(placed.rfind("5557654321", 0), 0u) << placed;

    // A quiet console: no SIP message text on stdout or stderr.
    const std::string console = app->output().toStdString();
    for (const char* sip : {"SIP/2.0", "INVITE sip:", "REGISTER sip:", "Call-ID:", "CSeq:"})
        EXPECT_EQ(console.find(sip), std::string::npos) << sip << " in:\n" << console;
    // The engine's files stay in its own folder: the root holds only the program's.
    const std::set<std::string> own{"bin", "logs", "messages", "PreRecordedMessages", "datalink", "apps", "engine"};
    for (const auto& entry : std::filesystem::directory_iterator(root))
        EXPECT_TRUE(own.count(entry.path().filename().string())) << entry.path();
}

TEST_F(CallsE2E, BusyCustomerShowsBusyAndIsHungUpTwoSecondsLater) {
    customerPlays("uas_refuse.xml", {{"CODE", "486"}, {"PHRASE", "Busy Here"}});
    startRegistered();
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(eventually([&] { return app->get("mouseMenu", "Caption") == "BUSY"; }))
        << app->items("ListStatusLog").join("|").toStdString();
    EXPECT_TRUE(callLog().empty()) << "nothing is logged during the two seconds";
    ASSERT_TRUE(eventually([&] { return lineCount(callLog()) == 1; }));
    EXPECT_NE(callLog().find(",\"hang up\"\r\n"), std::string::npos) << callLog();
    EXPECT_EQ(app->get("EditPhoneNo", "Text"), "");
}

TEST_F(CallsE2E, FarEndHangUpLogsAnEmptyOutcome) {
    customerPlays("uas_answer_hang_up.xml", {{"TALK_MS", "1500"}});
    startRegistered();
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(eventually([&] { return lineCount(callLog()) == 1; }, std::chrono::seconds(20)))
        << app->items("ListStatusLog").join("|").toStdString() << "\n"
        << customer->messages();
    EXPECT_NE(callLog().find(",\"\"\r\n"), std::string::npos) << callLog();
    EXPECT_EQ(customer->wait(std::chrono::seconds(10)), 0) << customer->report();
}

TEST_F(CallsE2E, ToggleGoesOfflineAndOnlineAgainWithTheSettingsReRead) {
    startRegistered();
    EXPECT_EQ(app->click("BtnOnline"), "");
    ASSERT_TRUE(eventually([&] { return app->get("BtnOnline", "Caption") == "Online"; }));
    EXPECT_EQ(app->get("dialerOnDDE", "Text"), "OFF");
    std::string settings = readText(root / "bin/velmoraapp.ini");
    settings.replace(settings.find("DisplayName=Ann"), 15, "DisplayName=Bea");
    std::ofstream(root / "bin/velmoraapp.ini", std::ios::binary) << settings;
    EXPECT_EQ(app->set("EditAccountDisplayName", "Text", "typed"), "");
    EXPECT_EQ(app->click("BtnOnline"), "");
    ASSERT_TRUE(eventually([&] { return app->get("BtnOnline", "Caption") == "Offline"; }));
    EXPECT_EQ(app->get("EditAccountDisplayName", "Text").toStdString(), "Bea");
    EXPECT_TRUE(statusShows("Ready..."));
}

}  // namespace
}  // namespace velmora::e2e
