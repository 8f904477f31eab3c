#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"

#include <QTime>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";

// The payload types of the first audio offer in `messages` ("8 101"), or "".
std::string offeredPayloads(const std::string& messages) {
    const auto invite = messages.find("INVITE sip:");
    if (invite == std::string::npos) return "";
    const auto media = messages.find("m=audio ", invite);
    if (media == std::string::npos) return "";
    const auto profile = messages.find("RTP/AVP ", media);
    const auto end = messages.find_first_of("\r\n", media);
    if (profile == std::string::npos || profile > end) return "";
    return messages.substr(profile + 8, end - profile - 8);
}

// velmoraapp with the TAPI bridge switched on, a telephone system on loopback
// and a customer that answers.
struct AudioTapiE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{{"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1}};
    std::unique_ptr<rig::Sipp> customer;
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    AudioTapiE2E() {
        char name[] = "/tmp/velmora-tapi-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
        std::ofstream(root / "bin/velmoraapp.ini", std::ios::app) << "UseSipTapi=True\r\n";
        std::filesystem::create_directories(root / "datalink");
    }
    ~AudioTapiE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    void customerAnswers() {
        customer = std::make_unique<rig::Sipp>(rig::Sipp::Setup{"uas_answer.xml", {}, kCustomer, "", 60});
        ASSERT_EQ(rig::registerContact(pbx, kCustomer, "customerpw", customer->port()), "");
    }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root, bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually([&] { return app->get("autoCheck", "Enabled") == "True"; }, std::chrono::seconds(30)))
            << app->output().toStdString();
    }

    void drop(const std::string& name) { std::ofstream(root / "datalink" / name) << ""; }
    bool exists(const std::string& name) { return std::filesystem::exists(root / "datalink" / name); }

    bool peerSaw(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
        return eventually([&] { return customer->messages().find(text) != std::string::npos; }, limit);
    }
    std::string statusLog() { return app->items("ListStatusLog").join("|").toStdString(); }
};

TEST_F(AudioTapiE2E, ADialRequestFileCallsTheCustomerAndAnEndRequestHangsUp) {
    customerAnswers();
    startRegistered();
    ASSERT_EQ(app->get("autoCheck", "Caption"), "Click Off");  // the bridge does not need click-to-dial
    drop(std::string(kCustomer) + ".dia");
    EXPECT_TRUE(peerSaw("INVITE sip:5557654321@", std::chrono::milliseconds(1500))) << statusLog();
    EXPECT_FALSE(exists(std::string(kCustomer) + ".dia"));
    ASSERT_TRUE(eventually([&] { return app->items("ListStatusLog").contains("Line-1: Success to connect."); }))
        << statusLog();

    // The line-status view while connected.
    EXPECT_TRUE(eventually([&] {
        return app->items("ListViewLineStatus") == QStringList{"1\tbusy", "2\tfree"};
    })) << app->items("ListViewLineStatus").join("|").toStdString();

    drop("x.end");
    EXPECT_TRUE(peerSaw("BYE sip:")) << customer->messages();
    EXPECT_FALSE(exists("x.end"));
    EXPECT_TRUE(eventually([&] { return app->items("ListViewLineStatus") == QStringList{"1\tfree", "2\tfree"}; }));
}

TEST_F(AudioTapiE2E, TheHighestDialRequestGoesFirstAndTheOtherWaits) {
    startRegistered();
    drop("5550000100.dia");
    drop("5550000200.dia");
    ASSERT_TRUE(eventually([&] { return !exists("5550000200.dia"); }));
    EXPECT_TRUE(exists("5550000100.dia"));
    ASSERT_TRUE(eventually([&] { return statusLog().find("Dialing - ") != std::string::npos; })) << statusLog();
    const std::string log = statusLog();
    EXPECT_EQ(log.substr(log.find("Dialing - "), 20), "Dialing - 5550000200") << log;
}

TEST_F(AudioTapiE2E, OnlyTheChosenCodecIsOffered) {
    customerAnswers();
    startRegistered();
    for (const char* box : {"CheckG711U", "CheckGSM610", "CheckG729", "CheckiLBC"})
        EXPECT_EQ(app->set(box, "Value", "0"), "") << box;
    EXPECT_EQ(app->get("CheckG711A", "Value"), "1");
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(peerSaw("INVITE sip:5557654321@")) << statusLog();
    ASSERT_TRUE(eventually([&] { return !offeredPayloads(customer->messages()).empty(); }));
    // PCMA (static payload 8) alone, and telephone-event on a dynamic payload.
    std::istringstream payloads(offeredPayloads(customer->messages()));
    std::string audio, events, more;
    payloads >> audio >> events >> more;
    EXPECT_EQ(audio, "8") << customer->messages();
    EXPECT_TRUE(more.empty()) << customer->messages();
    EXPECT_NE(customer->messages().find("a=rtpmap:" + events + " telephone-event/8000"), std::string::npos);
    EXPECT_EQ(app->click("BtnHangUp"), "");
}

TEST_F(AudioTapiE2E, TheClockShowsTheTimeOnATwelveHourClock) {
    startRegistered();
    ASSERT_TRUE(eventually([&] {
        const QString shown = app->get("TimeText", "Text");
        const QTime now = QTime::currentTime();
        return shown == now.toString("hh:mm AP") || shown == now.addSecs(-60).toString("hh:mm AP");
    })) << app->get("TimeText", "Text").toStdString();
}

}  // namespace
}  // namespace velmora::e2e
