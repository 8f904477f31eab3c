#include "AppUnderTest.h"

#include "EventLog.h"
#include "Kamailio.h"
#include "LinphoneEngine.h"
#include "Sipp.h"
#include "ToneCheck.h"
#include "loop/QtLoop.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <gtest/gtest.h>

#include <fstream>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";
constexpr const char* kDomain = "pbx7730.test";
constexpr double kMessageTone = 1000;

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The telephone system's feature services, as callees of their own: each
// feature number is an account registered at one scripted peer that refuses
// every call with 486, so the peer's log shows what the agent dialled.
const std::vector<std::string> kFeatureNumbers = {"1991002", "1981002", "1991004", "*331003"};

// Ann (1001) at a telephone system on loopback, with a customer and the
// feature services; a message file and the monitor and agent lists in her
// install root.
struct MediaE2E : ::testing::Test {
    rig::TempFolder root{"velmora-media"};
    rig::Kamailio pbx{{kDomain, accounts(), 1}};
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    static std::vector<rig::SipAccount> accounts() {
        std::vector<rig::SipAccount> all{{"1001", "secret0001"}, {kCustomer, "customerpw"}};
        for (const auto& number : kFeatureNumbers) all.push_back({number, "featurepw"});
        all.push_back({"*97", "featurepw"});
        return all;
    }

    MediaE2E() {
        writeAgentRoot(root.path(), pbx.hostPort());
        std::filesystem::create_directories(root.path() / "PreRecordedMessages");
        std::ofstream(root.path() / "bin/1001.txt") << "1002\r\n";
        std::ofstream(root.path() / "bin/agentlist.txt") << "1003_Bob\r\n";
    }
    ~MediaE2E() override { app.reset(); }

    // A sipp peer registered under every one of `users`.
    std::unique_ptr<rig::Sipp> peer(const std::string& scenario, const std::vector<std::string>& users,
                                    const std::string& password, std::map<std::string, std::string> values = {},
                                    int calls = 1) {
        auto sipp = std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, values, users.front(), "", 90, calls, {}});
        for (const auto& user : users) {
            EXPECT_EQ(rig::registerContact(pbx, user, password, sipp->port()), "");
        }
        return sipp;
    }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root.path(), bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually([&] { return app->get("BtnOnline", "Caption") == "Offline"; }, std::chrono::seconds(30)))
            << app->output().toStdString();
    }

    bool statusShows(const QString& line, std::chrono::seconds limit = std::chrono::seconds(15)) {
        return eventually([&] { return app->items("ListStatusLog").contains(line); }, limit);
    }
    std::string status() { return app->items("ListStatusLog").join("|").toStdString(); }

    // An action of the automation interface that AppUnderTest has no helper for.
    QString automation(const QString& method, const QList<QVariant>& args) {
        auto msg =
            QDBusMessage::createMethodCall("net.velmora.Softphone", "/Automation", "net.velmora.Automation", method);
        msg.setArguments(args);
        const QDBusMessage reply = bus.connection().call(msg, QDBus::Block, 5000);
        return reply.type() == QDBusMessage::ErrorMessage ? "error: " + reply.errorMessage() : QString();
    }

    // The outside dialer's two steps on /Dialer.
    void remoteListen(const QString& extension) {
        auto set = QDBusMessage::createMethodCall("net.velmora.Softphone", "/Dialer", "org.freedesktop.DBus.Properties",
                                                  "Set");
        set.setArguments({"net.velmora.Dialer", "velmoraDDEtxt", QVariant::fromValue(QDBusVariant(extension))});
        ASSERT_NE(bus.connection().call(set, QDBus::Block, 5000).type(), QDBusMessage::ErrorMessage);
        auto press =
            QDBusMessage::createMethodCall("net.velmora.Softphone", "/Dialer", "net.velmora.Dialer", "DDEListen");
        ASSERT_NE(bus.connection().call(press, QDBus::Block, 5000).type(), QDBusMessage::ErrorMessage);
    }
};

// The customer is a second engine that answers and keeps what it hears.
struct Customer {
    loop::QtLoop loop;
    rig::TempFolder state{"velmora-customer"};
    std::filesystem::path heard = state.path() / "heard.wav";
    engine::testing::EventLog log;
    std::unique_ptr<engine::LinphoneEngine> engine;

    explicit Customer(const std::string& proxy) {
        engine::LinphoneEngineOptions options;
        options.proxyAddress = proxy;
        options.stateFolder = state.path();
        options.headlessAudio = true;
        options.headlessSpeakerFile = heard;
        engine = std::make_unique<engine::LinphoneEngine>(loop, options);
        engine->setEvents(&log);
    }
    bool online() {
        std::string local = engine->GetLocalAddress();
        return engine->InitializeEngine(false, local, rig::freeUdpPort(), kCustomer, kCustomer, "customerpw",
                                        "Customer", kDomain, kDomain, "", true, 1) &&
               engine->OpenLine(0, false, local, rig::freeUdpPort(true)) && engine->RegisterToProxy(1800) &&
               eventually([&] { return log.has("OnRegistered"); });
    }
    bool answer() {
        return eventually([&] { return log.has("OnIncomingCall"); }) && engine->AcceptCall(0, log.lastCallId, -1, -1);
    }
};

TEST_F(MediaE2E, RecordedMessageIsHeardByTheCustomerAndPausedByStop) {
    ASSERT_TRUE(
        engine::writeWave(root.path() / "PreRecordedMessages/msg1.wav", engine::testing::tone(kMessageTone, 2)));
    ASSERT_TRUE(
        engine::writeWave(root.path() / "PreRecordedMessages/msg2.wav", engine::testing::tone(kMessageTone, 8)));
    Customer customer(pbx.hostPort());
    ASSERT_TRUE(customer.online()) << customer.log.text();
    startRegistered();
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(customer.answer()) << customer.log.text();
    ASSERT_TRUE(statusShows("Line-1: Success to connect.")) << status();

    EXPECT_EQ(app->click("PlayMsg1"), "");
    ASSERT_TRUE(statusShows("Line-1: Play wave done.")) << status();

    // The long message paused a moment after it began: no end is reported
    // while it stands, and played on it ends from where it stood.
    EXPECT_EQ(app->click("BtnPlayStop"), "");
    EXPECT_EQ(app->click("PlayMsg2"), "");
    eventually([] { return false; }, std::chrono::seconds(2));
    EXPECT_EQ(app->click("StopPlayPush"), "");
    eventually([] { return false; }, std::chrono::seconds(3));
    EXPECT_EQ(app->items("ListStatusLog").count("Line-1: Play wave done."), 1) << status();
    EXPECT_EQ(app->click("BtnStartPlay"), "");
    ASSERT_TRUE(eventually([&] { return app->items("ListStatusLog").count("Line-1: Play wave done.") == 2; },
                           std::chrono::seconds(15)))
        << status();

    ASSERT_TRUE(customer.engine->DisconnectLine(0));
    // The far end's hang-up is logged with the call.
    ASSERT_TRUE(eventually([&] { return !readText(root.path() / "logs/Ann_calllogs.csv").empty(); })) << status();
    eventually([] { return false; }, std::chrono::milliseconds(500));
    const double heard = engine::testing::toneSeconds(customer.heard, kMessageTone);
    // 2 s of the first message and the 8 s of the second once: a stop would
    // have started it again.
    EXPECT_GT(heard, 8.5);
    EXPECT_LT(heard, 11.0);
}

TEST_F(MediaE2E, MessageDropTransfersTheCallToTheMessageBoxAndLogsIt) {
    auto customer = peer("uas_refer.xml", {kCustomer}, "customerpw", {{"TARGET", "\\*551001"}});
    startRegistered();
    EXPECT_EQ(app->set("EditTransferPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(statusShows("Line-1: Success to connect.")) << status();
    EXPECT_EQ(app->click("PlayMsgPush"), "");
    ASSERT_TRUE(eventually([&] { return customer->messages().find("REFER sip:") != std::string::npos; }))
        << customer->messages();
    const std::string messages = customer->messages();
    const auto refer = messages.find("REFER sip:");
    EXPECT_NE(messages.find("Refer-To: sip:*551001@pbx7730.test", refer), std::string::npos) << messages.substr(refer);
    EXPECT_TRUE(statusShows("Line-1: Answering Machine ")) << status();
    ASSERT_TRUE(eventually([&] { return !readText(root.path() / "logs/Ann_calllogs.csv").empty(); }));
    const std::string log = readText(root.path() / "logs/Ann_calllogs.csv");
    EXPECT_EQ(log.rfind("\"5557654321\",\"Ann\",", 0), 0u) << log;
    EXPECT_NE(log.find(",\"Answering Machine\"\r\n"), std::string::npos) << log;
    EXPECT_TRUE(eventually([&] { return app->get("EditPhoneNo", "Text").isEmpty(); }));
}

TEST_F(MediaE2E, MonitoringAndColleagueCallsDialTheirFeatureCodes) {
    auto services = peer("uas_refuse.xml", kFeatureNumbers, "featurepw", {{"CODE", "486"}, {"PHRASE", "Busy Here"}},
                         static_cast<int>(kFeatureNumbers.size()));
    auto customer = peer("uas_answer.xml", {kCustomer}, "customerpw");
    startRegistered();
    ASSERT_EQ(app->items("MonList"), QStringList{"1002"});
    const auto dialled = [&](const std::string& number) {
        return eventually(
            [&] { return services->messages().find("sip:" + number + "@" + kDomain) != std::string::npos; });
    };
    // Each refused call ends at once; the next request finds the line free.
    const auto lineFreeAgain = [&] {
        const bool busy = eventually([&] { return app->get("mouseMenu", "Caption") == "BUSY"; });
        eventually([] { return false; }, std::chrono::milliseconds(2500));  // the hang-up that follows
        return busy;
    };

    EXPECT_EQ(automation("Choose", {"MonList", 0}), "");
    EXPECT_EQ(automation("DoubleClick", {"MonList"}), "");
    ASSERT_TRUE(dialled("1991002")) << services->messages();
    ASSERT_TRUE(lineFreeAgain());
    EXPECT_EQ(app->set("VelmoraCheck", "Value", "1"), "");
    EXPECT_EQ(automation("DoubleClick", {"MonList"}), "");
    ASSERT_TRUE(dialled("1981002")) << services->messages();
    ASSERT_TRUE(lineFreeAgain());
    remoteListen("1004");
    ASSERT_TRUE(dialled("1991004")) << services->messages();
    ASSERT_TRUE(lineFreeAgain());

    // On a call with the customer, a click on Bob ends it and calls him on line 2.
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(statusShows("Line-1: Success to connect.")) << status();
    EXPECT_EQ(automation("Choose", {"agentList", 0}), "");
    ASSERT_TRUE(eventually([&] { return customer->messages().find("BYE sip:") != std::string::npos; }))
        << customer->messages();
    ASSERT_TRUE(dialled("*331003")) << services->messages();
    EXPECT_TRUE(statusShows("Line-2: Dialing - 1003")) << status();
    ASSERT_TRUE(lineFreeAgain());
}

TEST_F(MediaE2E, VoiceMailStaysDisabledUntilHangUp) {
    auto voiceMail = peer("uas_answer.xml", {"*97"}, "featurepw");
    startRegistered();
    EXPECT_EQ(app->click("vmclick"), "");
    ASSERT_TRUE(eventually([&] { return voiceMail->messages().find("To: <sip:*97@") != std::string::npos; }))
        << voiceMail->messages();
    ASSERT_TRUE(statusShows("Line-1: Success to connect.")) << status();
    EXPECT_EQ(app->get("vmclick", "Enabled"), "False");
    EXPECT_EQ(app->click("BtnHangUp"), "");
    EXPECT_TRUE(eventually([&] { return app->get("vmclick", "Enabled") == "True"; }));
    EXPECT_TRUE(eventually([&] { return voiceMail->messages().find("BYE sip:") != std::string::npos; }));
}

}  // namespace
}  // namespace velmora::e2e
