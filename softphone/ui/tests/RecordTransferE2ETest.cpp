#include "AppUnderTest.h"

#include "Kamailio.h"
#include "LinphoneEngine.h"
#include "Sipp.h"
#include "TonePcap.h"
#include "WaveFile.h"
#include "loop/QtLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <regex>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";
constexpr const char* kTransferTarget = "95550001111";  // the prefix 9 and the transfer number

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// Seconds of a PCM 16-bit wave file in which `frequency` carries most of
// the energy (50 ms windows, Goertzel); -1 when it is not such a file.
double toneSeconds(const std::filesystem::path& file, double frequency) {
    const std::string bytes = readText(file);
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return -1;
    auto le = [&](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
        return v;
    };
    int rate = 0, channels = 1;
    std::size_t data = 0, size = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size(); at += 8 + le(at + 4, 4) + (le(at + 4, 4) & 1)) {
        if (bytes.compare(at, 4, "fmt ") == 0) {
            if (le(at + 8, 2) != 1 || le(at + 22, 2) != 16) return -1;
            channels = std::max(1, int(le(at + 10, 2)));
            rate = int(le(at + 12, 4));
        } else if (bytes.compare(at, 4, "data") == 0) {
            data = at + 8;
            size = le(at + 4, 4);
            if (size == 0 || size > bytes.size() - data) size = bytes.size() - data;  // a writer still at it
            break;
        }
    }
    if (rate <= 0 || data == 0) return -1;
    const std::size_t window = rate / 20, count = size / (2 * channels);
    int hits = 0;
    for (std::size_t start = 0; start + window <= count; start += window) {
        const double k = 2 * std::cos(2 * M_PI * frequency / rate);
        double s1 = 0, s2 = 0, energy = 0;
        for (std::size_t i = 0; i < window; ++i) {
            const double x = std::int16_t(le(data + 2 * channels * (start + i), 2));  // the first channel
            const double s = x + k * s1 - s2;
            s2 = s1;
            s1 = s;
            energy += x * x;
        }
        const double power = (s1 * s1 + s2 * s2 - k * s1 * s2) * 2 / window;
        if (energy > 1e6 && power > 0.5 * energy) ++hits;
    }
    return hits / 20.0;
}

// A far end that is a real engine: it registers a number, answers what it is
// offered, speaks a looped tone file and writes what it hears to a file.
struct FarEnd : engine::SipEngineEvents {
    rig::TempFolder state{"velmora-farend"};
    std::filesystem::path heard;
    engine::LinphoneEngine engine;
    bool registered = false, connected = false;

    FarEnd(loop::QtLoop& loop, const std::string& proxy, const std::filesystem::path& speaks)
        : heard(state.path() / "heard.wav"), engine(loop, options(proxy, speaks)) {
        engine.setEvents(this);
    }
    engine::LinphoneEngineOptions options(const std::string& proxy, const std::filesystem::path& speaks) {
        engine::LinphoneEngineOptions o;
        o.proxyAddress = proxy;
        o.stateFolder = state.path();
        o.headlessAudio = true;
        o.headlessMicrophoneFile = speaks;
        o.headlessSpeakerFile = heard;
        return o;
    }
    bool online(const std::string& number, const std::string& password) {
        std::string address = engine.GetLocalAddress();
        return engine.InitializeEngine(false, address, rig::freeUdpPort(), number, number, password, number,
                                       "pbx7730.test", "pbx7730.test", "", true, 1) &&
               engine.OpenLine(0, false, address, rig::freeUdpPort(true)) && engine.RegisterToProxy(1800) &&
               eventually([&] { return registered; });
    }
    void OnRegistered() override { registered = true; }
    void OnIncomingCall(const std::string& callId, const std::string&, const std::string&, const std::string&,
                        const std::string&) override {
        engine.AcceptCall(0, callId, -1, -1);
    }
    void OnConnected(int, const std::string&, const std::string&) override { connected = true; }
};

engine::WaveAudio toneAudio(double frequency) {
    engine::WaveAudio audio;
    for (int i = 0; i < 8000 * 4; ++i)
        audio.samples.push_back(std::int16_t(10000 * std::sin(2 * M_PI * frequency * i / 8000)));
    return audio;
}

// Velmoraapp against a telephone system on loopback with a customer and a
// transfer target reachable by number.
struct RecordTransferE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{
        {"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}, {kTransferTarget, "targetpw"}}, 1}};
    std::unique_ptr<rig::Sipp> customer, target;
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    RecordTransferE2E() {
        char name[] = "/tmp/velmora-rectran-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
        std::filesystem::create_directories(root / "messages");  // as set-up makes the install tree
        std::ofstream(root / "bin/velmoraapp.ini", std::ios::app) << "PreDialNumber=9\r\nTransferNumber=5550001111\r\n";
    }
    ~RecordTransferE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    std::unique_ptr<rig::Sipp> peer(const std::string& number, const std::string& password, const std::string& scenario,
                                    std::map<std::string, std::string> values = {}) {
        auto sipp = std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, values, number, "", 90});
        EXPECT_EQ(rig::registerContact(pbx, number, password, sipp->port()), "");
        return sipp;
    }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root, bus);
        ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
        ASSERT_TRUE(eventually(
            [&] { return app->get("autoCheck", "Enabled") == "True" && app->get("BtnOnline", "Caption") == "Offline"; },
            std::chrono::seconds(30)))
            << app->output().toStdString();
    }

    void callCustomer() {
        EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
        EXPECT_EQ(app->click("BtnDial"), "");
        ASSERT_TRUE(eventually([&] { return app->get("BtnHangUp", "Enabled") == "True" && connected(0); }))
            << statusLines();
    }
    bool connected(int line) { return saw(*(line == 0 ? customer : target), "ACK sip:"); }
    static bool saw(const rig::Sipp& peer, const std::string& text) {
        return peer.messages().find(text) != std::string::npos;
    }
    bool peerSaw(const rig::Sipp& peer, const std::string& text) {
        return eventually([&] { return saw(peer, text); });
    }
    bool statusShows(const QString& line) {
        return eventually([&] { return app->items("ListStatusLog").contains(line); });
    }
    std::string statusLines() { return app->items("ListStatusLog").join("|").toStdString(); }
    void pause(std::chrono::milliseconds time) {
        eventually([] { return false; }, time);
    }
    std::string callLog() { return readText(root / "logs/Ann_calllogs.csv"); }
};

TEST_F(RecordTransferE2E, RecordedCallIsSavedWithTheFarEndsToneAndSaysSo) {
    std::ofstream(root / "bin/velmoraapp.ini", std::ios::app) << "recordAll=True\r\n";
    writeTonePcap(root / "tone.pcap", 1000, 10);
    customer = peer(kCustomer, "customerpw", "uas_answer_play.xml", {{"PCAP", (root / "tone.pcap").string()}});
    startRegistered();
    callCustomer();

    // Every line the status list shows, in the order they first appear.
    std::vector<QString> seen;
    auto watch = [&](std::chrono::milliseconds time) {
        eventually(
            [&] {
                for (const QString& line : app->items("ListStatusLog"))
                    if (std::find(seen.begin(), seen.end(), line) == seen.end()) seen.push_back(line);
                return false;
            },
            time);
    };
    watch(std::chrono::milliseconds(4000));
    EXPECT_EQ(app->click("BtnHangUp"), "");
    watch(std::chrono::milliseconds(1500));
    std::vector<std::string> recording;
    for (const QString& line : seen)
        if (line.contains("Recording")) recording.push_back(line.toStdString());
    EXPECT_EQ(recording, (std::vector<std::string>{"Recording -5557654321", "Recording Paused -5557654321",
                                                   "Stopped Recording -5557654321"}));

    std::vector<std::filesystem::path> saved;
    for (const auto& entry : std::filesystem::directory_iterator(root / "messages")) saved.push_back(entry.path());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(std::regex_match(saved[0].filename().string(), std::regex(R"(5557654321_\d{6}_\d{6}\.wav)")))
        << saved[0];
    EXPECT_EQ(app->get("EditSaveFileName", "Text").toStdString(), saved[0].string());
    EXPECT_GT(toneSeconds(saved[0], 1000), 2.0) << saved[0];
    EXPECT_EQ(std::filesystem::status(saved[0]).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(RecordTransferE2E, HoldAndUnholdReachThePeerAsReInvites) {
    customer = peer(kCustomer, "customerpw", "uas_hold.xml");
    startRegistered();
    callCustomer();
    EXPECT_EQ(app->click("BtnHold"), "");
    ASSERT_TRUE(statusShows("Line-1: Hold")) << statusLines();
    ASSERT_TRUE(eventually([&] {
        const auto m = customer->messages();
        return std::regex_search(m, std::regex("a=(sendonly|inactive)"));
    })) << customer->messages();
    // The line-status view follows once holding lands.
    EXPECT_TRUE(eventually([&] { return app->items("ListViewLineStatus") == QStringList{"1\thold", "2\tfree"}; }))
        << app->items("ListViewLineStatus").join("|").toStdString();
    EXPECT_EQ(app->click("BtnUnHold"), "");
    ASSERT_TRUE(statusShows("Line-1: Connected")) << statusLines();
    EXPECT_TRUE(eventually([&] { return app->items("ListViewLineStatus") == QStringList{"1\tbusy", "2\tfree"}; }))
        << app->items("ListViewLineStatus").join("|").toStdString();
    // The third INVITE takes the call off hold: it asks for both directions again.
    ASSERT_TRUE(eventually([&] {
        const auto m = customer->messages();
        std::size_t invites = 0;
        for (std::size_t at = 0; (at = m.find("INVITE sip:", at)) != std::string::npos; ++at) ++invites;
        return invites >= 3;
    })) << customer->messages();
    const auto m = customer->messages();
    const auto resume = m.rfind("INVITE sip:");
    const auto resumeEnd = m.find("SIP/2.0 200 OK", resume);
    const std::string resumeInvite = m.substr(resume, resumeEnd - resume);
    EXPECT_EQ(resumeInvite.find("a=sendonly"), std::string::npos) << resumeInvite;
    EXPECT_EQ(resumeInvite.find("a=inactive"), std::string::npos) << resumeInvite;
    EXPECT_EQ(app->click("BtnHangUp"), "");
    EXPECT_EQ(customer->wait(std::chrono::seconds(15)), 0) << customer->report();
}

TEST_F(RecordTransferE2E, BlindTransferIsAReferToPrefixAndNumberAndIsLogged) {
    customer =
        peer(kCustomer, "customerpw", "uas_refer.xml", {{"TARGET", std::string("sip:") + kTransferTarget + "@"}});
    startRegistered();
    callCustomer();
    EXPECT_EQ(app->get("PreDialTxT", "Text"), "9");
    EXPECT_EQ(app->get("EditTransferPhoneNo", "Text"), "5550001111");
    EXPECT_EQ(app->click("BtnTransferCall"), "");
    ASSERT_TRUE(peerSaw(*customer, std::string("Refer-To: sip:") + kTransferTarget + "@")) << customer->messages();
    ASSERT_TRUE(eventually([&] { return lineCount(callLog()) == 1; }));
    EXPECT_EQ(callLog().rfind("\"5550001111\",\"Ann\",", 0), 0u) << callLog();
    EXPECT_NE(callLog().find(",\"Blind Transfer\"\r\n"), std::string::npos) << callLog();
    EXPECT_TRUE(statusShows("Line-1: Transfer accepted.")) << statusLines();
    EXPECT_EQ(customer->wait(std::chrono::seconds(20)), 0) << customer->report();
}

// The customer (speaking 1 kHz) and the transfer target (speaking 600 Hz) are
// real engines, so what each hears once the lines are joined can be checked.
TEST_F(RecordTransferE2E, SupervisedTransferCallsTheTargetOnLineTwoAndJoinsTheLinesSoTheyHearEachOther) {
    loop::QtLoop loop;
    ASSERT_TRUE(engine::writeWave(root / "1000.wav", toneAudio(1000)));
    ASSERT_TRUE(engine::writeWave(root / "600.wav", toneAudio(600)));
    FarEnd customerEnd(loop, pbx.hostPort(), root / "1000.wav");
    FarEnd targetEnd(loop, pbx.hostPort(), root / "600.wav");
    ASSERT_TRUE(customerEnd.online(kCustomer, "customerpw"));
    ASSERT_TRUE(targetEnd.online(kTransferTarget, "targetpw"));
    startRegistered();
    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(eventually([&] { return customerEnd.connected; })) << statusLines();
    EXPECT_EQ(app->click("BtnHold"), "");
    ASSERT_TRUE(statusShows("Line-1: Hold")) << statusLines();
    EXPECT_EQ(app->click("CallTranPush"), "");
    ASSERT_TRUE(eventually([&] { return targetEnd.connected; })) << statusLines();
    ASSERT_TRUE(statusShows(QString("Line-2: Dialing - ") + kTransferTarget)) << statusLines();
    EXPECT_EQ(lineCount(readText(root / "logs/callsout.txt")), 1) << "the second-line call is not a placed call";
    EXPECT_EQ(app->click("BtnConsultTransfer"), "");
    ASSERT_TRUE(statusShows("Line-1: Supervised Transfer ")) << statusLines();
    ASSERT_TRUE(eventually([&] { return lineCount(callLog()) == 1; }));
    EXPECT_EQ(callLog().rfind("\"5550001111\",\"Ann\",", 0), 0u) << callLog();
    EXPECT_NE(callLog().find(",\"Supervised Transfer\"\r\n"), std::string::npos) << callLog();
    EXPECT_EQ(app->get("ComboDial", "ListIndex"), "0");

    pause(std::chrono::milliseconds(3000));
    customerEnd.engine.DisconnectLine(0);
    targetEnd.engine.DisconnectLine(0);
    pause(std::chrono::milliseconds(500));
    EXPECT_GT(toneSeconds(customerEnd.heard, 600), 1.0) << "the customer hears the target";
    EXPECT_GT(toneSeconds(targetEnd.heard, 1000), 1.0) << "the target hears the customer";
    customerEnd.engine.ShutdownEngine();
    targetEnd.engine.ShutdownEngine();
}

TEST_F(RecordTransferE2E, ForwardingAnswersAnOfferedCallWith302ToTheNumber) {
    startRegistered();
    EXPECT_EQ(app->set("EditForwardCallPhoneNo", "Text", "5552223333"), "");
    EXPECT_EQ(app->click("EditForwardCallPhoneNo"), "");
    EXPECT_EQ(app->click("CheckForwardCall"), "");
    EXPECT_EQ(app->get("CheckForwardCall", "Value"), "1");
    EXPECT_NE(readText(root / "bin/velmoraapp.ini").find("Forward=5552223333"), std::string::npos);
    rig::Sipp caller({"uac_call_agent_refused.xml",
                      {{"DOMAIN", pbx.domain()},
                       {"CALLER", "5550100"},
                       {"CALLER_NAME", "Customer"},
                       {"FINAL", "302"},
                       {"CHECK_HEADER", "Contact:"},
                       {"CHECK_TEXT", "sip:5552223333@"}},
                      "1001",
                      pbx.hostPort(),
                      20});
    EXPECT_EQ(caller.wait(std::chrono::seconds(20)), 0) << caller.report() << caller.messages();
}

}  // namespace
}  // namespace velmora::e2e
