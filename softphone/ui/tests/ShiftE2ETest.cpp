// A working shift of calls against the whole program, Kamailio and sipp far
// ends, and the cases that once went wrong in one, each on its own. Every far
// end speaks a tone of its own, so each record and each recording can be
// held against the call it belongs to.
#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"
#include "ToneCheck.h"
#include "TonePcap.h"
#include "WaveFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

namespace velmora::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kDomain = "pbx7730.test";
constexpr const char* kCustomerPassword = "customerpw";
constexpr int kCustomers = 64;
constexpr int kShiftCalls = 40;

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string numbered(const char* prefix, int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%05d", prefix, i);
    return text;
}
// Customers the agent calls: accounts of the telephone system, each
// registered by the sipp peer that plays it.
std::string customerNumber(int i) { return numbered("55501", i); }
// Customers who call the agent: no accounts, so their INVITEs are relayed
// as they come.
std::string callerNumber(int i) { return numbered("55520", i); }
// Where a call is transferred to.
std::string transferNumber(int i) { return numbered("55590", i); }

// Tones 55 Hz apart or more (a 20 ms block tells them apart), none near a
// DTMF tone, so a digit pressed in one call is never another call's tone.
std::vector<double> toneFrequencies(std::size_t count) {
    const double dtmf[] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};
    std::vector<double> out;
    for (double f = 420; out.size() < count; f += 55)
        if (std::none_of(std::begin(dtmf), std::end(dtmf), [f](double d) { return std::abs(f - d) < 40; }))
            out.push_back(f);
    return out;
}

struct Record {
    std::string number, agent, seconds, time, date, outcome;
};

std::vector<Record> recordsIn(const std::filesystem::path& csv) {
    static const std::regex line(R"re("([^"]*)","([^"]*)","([^"]*)","([^"]*)","([^"]*)","([^"]*)"\r?)re");
    std::vector<Record> out;
    std::istringstream in(readText(csv));
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line))
            out.push_back({m[1], m[2], m[3], m[4], m[5], m[6]});
        else
            out.push_back({"<unreadable: " + text + ">", "", "", "", "", ""});
    }
    return out;
}

// The far end's view of the talk, from sipp's message trace (each message
// under a line of dashes that ends with its time): from the ACK that
// completed the call to the first BYE either side sent, in seconds; -1 when
// either is missing.
double talkSeconds(const std::string& messages) {
    std::istringstream in(messages);
    double at = -1, ack = -1, bye = -1;
    bool first = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("-----", 0) == 0) {
            int h = 0, m = 0;
            double s = 0;
            const auto space = line.rfind(' ');
            if (space != std::string::npos && std::sscanf(line.c_str() + space + 1, "%d:%d:%lf", &h, &m, &s) == 3)
                at = h * 3600 + m * 60 + s;
            first = true;
            continue;
        }
        if (!first || line.empty() || line.find("message ") != std::string::npos) continue;
        first = false;
        if (line.rfind("ACK ", 0) == 0 && ack < 0) ack = at;
        if (line.rfind("BYE ", 0) == 0 && bye < 0) bye = at;
    }
    if (ack < 0 || bye < 0) return -1;
    return bye >= ack ? bye - ack : bye + 86400 - ack;
}

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file()) out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

// The recordings of one number in a folder (<number>_DDMMYY_hhmmss.wav).
std::vector<std::filesystem::path> recordingsOf(const std::filesystem::path& folder, const std::string& number) {
    std::vector<std::filesystem::path> out;
    const std::regex name(number + R"(_\d{6}_\d{6}(-\d+)?\.wav)");
    for (const auto& file : filesIn(folder))
        if (std::regex_match(file.filename().string(), name)) out.push_back(file);
    return out;
}

double waveSeconds(const std::filesystem::path& file) {
    const engine::LoadedWave wave = engine::loadWave(file);
    return wave.problem == engine::WaveProblem::None ? wave.audio.seconds() : -1;
}

// How a call ends.
enum class Ending { AgentHangsUp, FarEndHangsUp, TransferTaken, TransferRefused, DropTaken, DropRefused };

const char* nameOf(Ending e) {
    switch (e) {
    case Ending::AgentHangsUp: return "agent hangs up";
    case Ending::FarEndHangsUp: return "far end hangs up";
    case Ending::TransferTaken: return "blind transfer taken";
    case Ending::TransferRefused: return "blind transfer refused, then hang up";
    case Ending::DropTaken: return "message drop taken";
    case Ending::DropRefused: return "message drop refused, then hang up";
    }
    return "?";
}

bool refused(Ending e) { return e == Ending::TransferRefused || e == Ending::DropRefused; }
bool taken(Ending e) { return e == Ending::TransferTaken || e == Ending::DropTaken; }
bool isDrop(Ending e) { return e == Ending::DropTaken || e == Ending::DropRefused; }

// One call of a shift and, once it is over, what its far end saw.
struct ShiftCall {
    int index = 0;
    bool incoming = false;
    Ending ending = Ending::AgentHangsUp;
    bool dtmf = false;
    bool farEndLeaves = false;  // a transfer or drop taken with the far end's BYE and no NOTIFY
    double seconds = 3;  // connected time the test aims at
    std::string number, transferTo;
    double frequency = 0;
    double talk = -1;  // connected time as the far end saw it

    std::string recordNumber() const { return taken(ending) ? transferTo : number; }
    std::string outcome() const {
        switch (ending) {
        case Ending::TransferTaken: return "Blind Transfer";
        case Ending::DropTaken: return "Answering Machine";
        case Ending::FarEndHangsUp: return "";
        default: return "hang up";
        }
    }
    std::string describe() const {
        std::ostringstream out;
        out << "call " << index + 1 << ": " << (incoming ? "from " : "to ") << number << ", " << frequency << " Hz, "
            << seconds << " s, " << nameOf(ending) << (farEndLeaves ? " (BYE, no NOTIFY)" : "")
            << (dtmf ? ", dial pad * and 5 pressed" : "");
        return out.str();
    }
};

// Ann (1001) at a telephone system on loopback with the customers; the
// program runs without audio devices, so a recording holds only what the far
// end sent.
struct ShiftE2E : ::testing::Test {
    rig::TempFolder root{"velmora-shift"};
    rig::Kamailio pbx{{kDomain, accounts(), 1}};
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    static std::vector<rig::SipAccount> accounts() {
        std::vector<rig::SipAccount> all{{"1001", "secret0001"}};
        for (int i = 0; i < kCustomers; ++i) all.push_back({customerNumber(i), kCustomerPassword});
        return all;
    }

    ShiftE2E() {
        ::setenv("VELMORA_HEADLESS_AUDIO", "1", 1);
        writeAgentRoot(root.path(), pbx.hostPort());
        std::filesystem::create_directories(root.path() / "messages");  // as set-up makes the install tree
        std::filesystem::create_directories(root.path() / "tones");
    }
    ~ShiftE2E() override { app.reset(); }

    void recordAll() { std::ofstream(root.path() / "bin/velmoraapp.ini", std::ios::app) << "recordAll=True\r\n"; }

    void startRegistered() {
        app = std::make_unique<AppUnderTest>(root.path(), bus);
        int code = -1;
        ASSERT_TRUE(app->waitUntilReady())
            << "exit status " << (app->waitForExit(0ms, &code) ? std::to_string(code) : "none")
            << " (255 with no output: it could not be started; is " << appBinary() << " being linked by a build?)\n"
            << app->output().toStdString();
        ASSERT_TRUE(eventually(
            [&] { return app->get("autoCheck", "Enabled") == "True" && app->get("BtnOnline", "Caption") == "Offline"; },
            30s))
            << status() << "\n"
            << app->output().toStdString();
    }

    std::filesystem::path tone(const std::string& number, double frequency, double seconds) {
        const auto file = root.path() / "tones" / (number + ".pcap");
        writeTonePcap(file, frequency, seconds);
        return file;
    }

    // A customer the agent calls, registered under its number.
    std::unique_ptr<rig::Sipp> callee(const std::string& number, const std::string& scenario,
                                      std::map<std::string, std::string> values = {}) {
        auto sipp = std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, values, number, "", 90, 1, {}});
        EXPECT_EQ(rig::registerContact(pbx, number, kCustomerPassword, sipp->port()), "");
        return sipp;
    }
    // A customer who calls the agent.
    std::unique_ptr<rig::Sipp> caller(const std::string& number, const std::string& scenario,
                                      std::map<std::string, std::string> values = {}) {
        values["DOMAIN"] = kDomain;
        values["CALLER"] = number;
        values["CALLER_NAME"] = "Caller";
        return std::make_unique<rig::Sipp>(rig::Sipp::Setup{scenario, values, "1001", pbx.hostPort(), 90, 1, {}});
    }
    // The far ends that speak: {{PCAP}}, and the answer to a transfer
    // ("take", "leave" or "refuse") and hang-up time of uas_play_refer.xml and
    // uac_call_agent_play.xml.
    std::map<std::string, std::string> speaking(const std::filesystem::path& pcap, const std::string& onRefer = "take",
                                                int hangUpAfterMs = 60000) {
        return {{"PCAP", pcap.string()}, {"ON_REFER", onRefer}, {"TALK_MS", std::to_string(hangUpAfterMs)}};
    }

    void dial(const std::string& number) {
        EXPECT_EQ(app->set("EditPhoneNo", "Text", QString::fromStdString(number)), "");
        EXPECT_EQ(app->click("BtnDial"), "");
    }
    static bool saw(const rig::Sipp& peer, const std::string& text) {
        return peer.messages().find(text) != std::string::npos;
    }
    // The call is up once the ACK has gone between the agent and the far end.
    bool connected(const rig::Sipp& peer) { return eventually([&] { return saw(peer, "ACK sip:"); }); }
    // Waits until `seconds` past `start`.
    void until(Clock::time_point start, double seconds) {
        const auto end = start + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        eventually([&] { return Clock::now() >= end; }, 60s);
    }
    void pause(std::chrono::milliseconds time) {
        eventually([] { return false; }, time);
    }
    std::string status() { return app ? app->items("ListStatusLog").join("|").toStdString() : ""; }
    std::string field(const char* control, const char* property = "Text") {
        return app->get(control, property).toStdString();
    }
    std::filesystem::path callLog() const { return root.path() / "logs/Ann_calllogs.csv"; }
    std::vector<Record> records() const { return recordsIn(callLog()); }
    std::filesystem::path messages() const { return root.path() / "messages"; }
    std::filesystem::path unsaved() const { return root.path() / "engine/recordings/unsaved"; }
    // The end step ran: the record is written, the dial field emptied.
    bool endStepRan(std::size_t recordCount) {
        return eventually([&] { return records().size() == recordCount && field("EditPhoneNo").empty(); });
    }

    // The one recording a call left in a folder: its length is the call's
    // connected time within 5 %, it holds its own far end's tone and none of
    // the others.
    void expectRecording(const std::filesystem::path& folder, const std::string& number, double talk,
                         double ownFrequency, const std::vector<double>& others) {
        const auto files = recordingsOf(folder, number);
        ASSERT_EQ(files.size(), 1u) << "recordings of " << number << " in " << folder;
        const auto& file = files.front();
        const double length = waveSeconds(file);
        EXPECT_NEAR(length, talk, 0.05 * talk) << file << " against a call of " << talk << " s";
        if (ownFrequency > 0) {
            const double own = engine::testing::toneSeconds(file, ownFrequency);
            EXPECT_GT(own, 0.6 * talk) << file << ": " << ownFrequency << " Hz, its own far end's tone";
        }
        for (const double other : others) {
            if (other == ownFrequency) continue;
            EXPECT_LT(engine::testing::toneSeconds(file, other), 0.1) << file << " holds " << other << " Hz";
        }
    }
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << '"' << r.number << "\",\"" << r.agent << "\",\"" << r.seconds << "\",\"" << r.time << "\",\""
               << r.date << "\",\"" << r.outcome << '"';
}

unsigned shiftSeed() {
    if (const char* given = std::getenv("VELMORA_SHIFT_SEED")) return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

// The calls of a shift: every way a call ends, several times each, in an
// order and with directions, lengths and dial-pad presses drawn from seed.
std::vector<ShiftCall> planShift(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Ending> endings;
    const std::pair<Ending, int> mix[] = {{Ending::AgentHangsUp, 12}, {Ending::FarEndHangsUp, 8},
                                          {Ending::TransferTaken, 6}, {Ending::TransferRefused, 5},
                                          {Ending::DropTaken, 5},     {Ending::DropRefused, 4}};
    for (const auto& [ending, count] : mix) endings.insert(endings.end(), count, ending);
    std::shuffle(endings.begin(), endings.end(), random);
    const auto frequencies = toneFrequencies(endings.size());
    std::vector<ShiftCall> calls;
    for (std::size_t i = 0; i < endings.size(); ++i) {
        ShiftCall call;
        call.index = static_cast<int>(i);
        call.ending = endings[i];
        call.incoming = random() % 2 == 0;
        call.dtmf = random() % 3 == 0;
        call.farEndLeaves = taken(call.ending) && random() % 3 == 0;
        call.seconds = 2 + 0.5 * double(random() % 5);  // 2 to 4 s
        call.number = call.incoming ? callerNumber(call.index) : customerNumber(call.index);
        call.transferTo = transferNumber(call.index);
        call.frequency = frequencies[i];
        calls.push_back(call);
    }
    return calls;
}

// A shift of mixed calls, one after another: taken and placed, hung up by
// either side, transferred and dropped to the message box with the far end
// taking (by NOTIFY or by its BYE) or refusing, dial-pad digits pressed
// during some. Every call leaves
// one record of its own and one recording that holds its own far end's tone
// for its connected time.
TEST_F(ShiftE2E, AShiftOfMixedCallsLeavesEachCallItsOwnRecordAndRecording) {
    const unsigned seed = shiftSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (VELMORA_SHIFT_SEED=" + std::to_string(seed) + " repeats it)");
    std::vector<ShiftCall> calls = planShift(seed);
    ASSERT_EQ(calls.size(), std::size_t(kShiftCalls));
    recordAll();
    ASSERT_NO_FATAL_FAILURE(startRegistered());

    for (ShiftCall& call : calls) {
        SCOPED_TRACE(call.describe());
        const auto pcap = tone(call.number, call.frequency, call.seconds + 3);
        const auto values = speaking(pcap, refused(call.ending) ? "refuse" : call.farEndLeaves ? "leave" : "take",
                                     call.ending == Ending::FarEndHangsUp ? int(call.seconds * 1000) : 60000);
        std::unique_ptr<rig::Sipp> peer;
        if (call.incoming) {
            peer = caller(call.number, "uac_call_agent_play.xml", values);
            ASSERT_TRUE(eventually([&] {
                const QStringList offered = app->items("ListIncomingCall");
                return offered.size() == 1 && offered.first().endsWith(QString::fromStdString(call.number));
            })) << status();
            EXPECT_EQ(app->click("BtnAccept"), "");
        } else {
            peer = callee(call.number, "uas_play_refer.xml", values);
            dial(call.number);
        }
        ASSERT_TRUE(connected(*peer)) << status() << "\n" << peer->messages();
        const auto start = Clock::now();
        std::string shown = call.number;  // what the dial field holds during the call
        if (call.dtmf) {
            until(start, call.seconds * 0.3);
            EXPECT_EQ(app->click("BtnDialPadStar"), "");
            EXPECT_EQ(app->click("BtnDialPad5"), "");
            shown += "*5";
            EXPECT_EQ(field("EditPhoneNo"), shown);
        }
        const char* hand = isDrop(call.ending) ? "PlayMsgPush" : "BtnTransferCall";
        const std::string target = isDrop(call.ending) ? "*551001" : call.transferTo;
        switch (call.ending) {
        case Ending::AgentHangsUp:
            until(start, call.seconds);
            EXPECT_EQ(app->click("BtnHangUp"), "");
            break;
        case Ending::FarEndHangsUp: break;
        case Ending::TransferTaken:
        case Ending::DropTaken:
            until(start, call.seconds);
            EXPECT_EQ(app->set("EditTransferPhoneNo", "Text", QString::fromStdString(call.transferTo)), "");
            EXPECT_EQ(app->click(hand), "");
            break;
        case Ending::TransferRefused:
        case Ending::DropRefused:
            until(start, call.seconds * 0.5);
            EXPECT_EQ(app->set("EditTransferPhoneNo", "Text", QString::fromStdString(call.transferTo)), "");
            EXPECT_EQ(app->click(hand), "");
            EXPECT_TRUE(eventually([&] { return saw(*peer, "SIP/2.0 603 Decline"); })) << peer->messages();
            // The refusal leaves the call on its line as it was: no record, its number kept.
            until(start, call.seconds);
            EXPECT_EQ(records().size(), std::size_t(call.index)) << readText(callLog());
            EXPECT_EQ(field("EditPhoneNo"), shown);
            EXPECT_EQ(app->click("BtnHangUp"), "");
            break;
        }
        ASSERT_EQ(peer->wait(20s), 0) << peer->report() << peer->messages() << "\n" << status();
        if (call.ending != Ending::AgentHangsUp && call.ending != Ending::FarEndHangsUp) {
            EXPECT_TRUE(saw(*peer, "Refer-To: sip:" + target + "@")) << peer->messages();
        }
        ASSERT_TRUE(endStepRan(call.index + 1u)) << readText(callLog()) << "\n" << status() << "\n" << field("EditPhoneNo");
        EXPECT_EQ(field("CheckStartRecording", "Value"), "0");
        EXPECT_EQ(field("callsec"), "0");
        call.talk = talkSeconds(peer->messages());
        ASSERT_GT(call.talk, 0) << peer->messages();
    }

    // Each call's record, in the order the calls ended.
    const std::vector<Record> log = records();
    ASSERT_EQ(log.size(), calls.size()) << readText(callLog());
    std::vector<double> frequencies;
    for (const ShiftCall& call : calls) frequencies.push_back(call.frequency);
    for (const ShiftCall& call : calls) {
        SCOPED_TRACE(call.describe() + ", " + std::to_string(call.talk) + " s connected");
        const Record& r = log[std::size_t(call.index)];
        EXPECT_EQ(r.number, call.recordNumber()) << r;
        EXPECT_EQ(r.agent, "Ann") << r;
        EXPECT_EQ(r.outcome, call.outcome()) << r;
        EXPECT_NEAR(std::strtol(r.seconds.c_str(), nullptr, 10), call.talk, 2.0) << r;
        EXPECT_TRUE(std::regex_match(r.time, std::regex(R"(\d\d:\d\d:\d\d)"))) << r;
        EXPECT_TRUE(std::regex_match(r.date, std::regex(R"(\d{1,2}/\d{1,2}/\d{4})"))) << r;
        expectRecording(messages(), call.number, call.talk, call.frequency, frequencies);
        const auto files = recordingsOf(messages(), call.number);
        if (!files.empty())
            std::printf("%-70s talk %.2f s, recording %.2f s, its tone %.2f s\n", call.describe().c_str(), call.talk,
                        waveSeconds(files.front()), engine::testing::toneSeconds(files.front(), call.frequency));
    }
    EXPECT_EQ(filesIn(messages()).size(), calls.size());
    EXPECT_TRUE(filesIn(unsaved()).empty()) << "every recording was saved";
}

// A caller who rings in during a call and gives up after the agent's Hang Up
// leaves the program up and the panel empty; of two callers ringing, Accept
// takes the one chosen in the panel.
TEST_F(ShiftE2E, TheIncomingPanelFollowsItsCallersAndAcceptTakesTheChosenOne) {
    ASSERT_NO_FATAL_FAILURE(startRegistered());
    auto customer = callee(customerNumber(0), "uas_answer.xml");
    dial(customerNumber(0));
    ASSERT_TRUE(connected(*customer)) << status();
    auto givingUp = caller(callerNumber(0), "uac_call_agent_cancel.xml", {{"RING_MS", "5000"}});
    ASSERT_TRUE(eventually([&] { return app->items("ListIncomingCall").size() == 1; })) << status();
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_EQ(customer->wait(15s), 0) << customer->report();
    // Hang Up ended the agent's call, not the caller still ringing.
    EXPECT_EQ(app->items("ListIncomingCall"), QStringList{"Caller - " + QString::fromStdString(callerNumber(0))});
    ASSERT_EQ(givingUp->wait(15s), 0) << givingUp->report() << givingUp->messages();
    EXPECT_FALSE(app->get("BtnOnline", "Caption").startsWith("error:")) << app->output().toStdString();
    EXPECT_TRUE(eventually([&] { return app->items("ListIncomingCall").isEmpty(); }))
        << app->items("ListIncomingCall").join("|").toStdString();
    EXPECT_TRUE(app->items("ListIncomingCallIds").isEmpty());
    EXPECT_EQ(field("InBoundFrm", "Visible"), "False");

    auto waiting = caller(callerNumber(1), "uac_call_agent_cancel.xml", {{"RING_MS", "8000"}});
    ASSERT_TRUE(eventually([&] { return app->items("ListIncomingCall").size() == 1; })) << status();
    auto chosen = caller(callerNumber(2), "uac_call_agent_play.xml",
                         speaking(tone(callerNumber(2), 700, 10)));
    ASSERT_TRUE(eventually([&] { return app->items("ListIncomingCall").size() == 2; })) << status();
    const QStringList offered = app->items("ListIncomingCall");
    const int index = offered.indexOf("Caller - " + QString::fromStdString(callerNumber(2)));
    ASSERT_GE(index, 0) << offered.join("|").toStdString();
    EXPECT_EQ(app->set("ListIncomingCall", "ListIndex", QString::number(index)), "");
    EXPECT_EQ(app->click("BtnAccept"), "");
    ASSERT_TRUE(connected(*chosen)) << status() << "\n" << chosen->messages();
    EXPECT_FALSE(saw(*waiting, "SIP/2.0 200 OK")) << waiting->messages();
    EXPECT_EQ(field("EditPhoneNo"), callerNumber(2));
    EXPECT_EQ(app->items("ListIncomingCall"), QStringList{"Caller - " + QString::fromStdString(callerNumber(1))});
    pause(1s);
    EXPECT_EQ(app->click("BtnHangUp"), "");
    EXPECT_EQ(chosen->wait(15s), 0) << chosen->report() << chosen->messages();
    EXPECT_EQ(waiting->wait(15s), 0) << waiting->report() << waiting->messages();
    EXPECT_TRUE(eventually([&] { return app->items("ListIncomingCall").isEmpty(); }));
    const auto log = records();
    ASSERT_EQ(log.size(), 2u) << readText(callLog());
    EXPECT_EQ(log[0].number, customerNumber(0));
    EXPECT_EQ(log[1].number, callerNumber(2));
    EXPECT_EQ(log[1].outcome, "hang up");
}

// With every call recorded: a message drop the far end refuses leaves the
// call as it was until Hang Up; a blind transfer it takes ends the call as a
// hang-up does; dial-pad digits never reach a record; and a far end that
// sends no audio still leaves a recording as long as the call.
TEST_F(ShiftE2E, TransfersDropsAndDigitsEndEachRecordedCallAsItsOwn) {
    recordAll();
    ASSERT_NO_FATAL_FAILURE(startRegistered());

    // A silent far end that refuses the drop; six seconds connected.
    const std::string silent = customerNumber(10);
    auto refusing = callee(silent, "uas_refer_refused.xml", {{"CODE", "603"}, {"PHRASE", "Decline"}});
    dial(silent);
    ASSERT_TRUE(connected(*refusing)) << status();
    const auto start = Clock::now();
    until(start, 1.5);
    EXPECT_EQ(app->click("BtnDialPadStar"), "");
    EXPECT_EQ(app->click("BtnDialPad5"), "");
    EXPECT_EQ(field("EditPhoneNo"), silent + "*5");
    until(start, 2.5);
    EXPECT_EQ(app->set("EditTransferPhoneNo", "Text", QString::fromStdString(transferNumber(10))), "");
    EXPECT_EQ(app->click("PlayMsgPush"), "");
    ASSERT_TRUE(eventually([&] { return saw(*refusing, "SIP/2.0 603 Decline"); })) << refusing->messages();
    pause(1s);
    EXPECT_TRUE(records().empty()) << readText(callLog());
    EXPECT_EQ(field("EditPhoneNo"), silent + "*5");
    until(start, 6);
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_EQ(refusing->wait(15s), 0) << refusing->report();
    ASSERT_TRUE(endStepRan(1)) << readText(callLog()) << status();
    EXPECT_EQ(records()[0].number, silent) << records()[0];
    EXPECT_EQ(records()[0].outcome, "hang up") << records()[0];
    const double silentTalk = talkSeconds(refusing->messages());
    ASSERT_GT(silentTalk, 0) << refusing->messages();
    ASSERT_NO_FATAL_FAILURE(expectRecording(messages(), silent, silentTalk, 0, {}));

    // A blind transfer the far end (900 Hz) takes.
    const std::string transferred = customerNumber(11);
    auto taking = callee(transferred, "uas_play_refer.xml", speaking(tone(transferred, 900, 8)));
    dial(transferred);
    ASSERT_TRUE(connected(*taking)) << status();
    pause(2500ms);
    EXPECT_EQ(app->set("EditTransferPhoneNo", "Text", QString::fromStdString(transferNumber(11))), "");
    EXPECT_EQ(app->click("BtnTransferCall"), "");
    ASSERT_EQ(taking->wait(20s), 0) << taking->report() << taking->messages();
    EXPECT_TRUE(saw(*taking, "Refer-To: sip:" + transferNumber(11) + "@")) << taking->messages();
    ASSERT_TRUE(endStepRan(2)) << readText(callLog()) << status();
    EXPECT_EQ(records()[1].number, transferNumber(11)) << records()[1];
    EXPECT_EQ(records()[1].outcome, "Blind Transfer") << records()[1];
    EXPECT_EQ(field("CheckStartRecording", "Value"), "0");
    EXPECT_EQ(field("callsec"), "0");

    // The next call (1500 Hz), hung up by the agent.
    const std::string next = customerNumber(12);
    auto plain = callee(next, "uas_play_refer.xml", speaking(tone(next, 1500, 8)));
    dial(next);
    ASSERT_TRUE(connected(*plain)) << status();
    pause(3s);
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_EQ(plain->wait(15s), 0) << plain->report();
    ASSERT_TRUE(endStepRan(3)) << readText(callLog()) << status();
    EXPECT_EQ(records()[2].number, next) << records()[2];
    EXPECT_EQ(records()[2].outcome, "hang up") << records()[2];

    expectRecording(messages(), transferred, talkSeconds(taking->messages()), 900, {1500});
    expectRecording(messages(), next, talkSeconds(plain->messages()), 1500, {900});
    EXPECT_EQ(filesIn(messages()).size(), 3u);
}

// A recording started by hand and never saved is kept aside at the call's
// end, not carried into the next call's saved recording.
TEST_F(ShiftE2E, ARecordingStartedByHandIsKeptUnsavedAndStaysOutOfTheNextCall) {
    ASSERT_NO_FATAL_FAILURE(startRegistered());
    const std::string first = customerNumber(20), second = customerNumber(21);
    auto firstEnd = callee(first, "uas_play_refer.xml", speaking(tone(first, 800, 8)));
    dial(first);
    ASSERT_TRUE(connected(*firstEnd)) << status();
    EXPECT_EQ(app->set("CheckStartRecording", "Value", "1"), "");
    pause(2500ms);
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_EQ(firstEnd->wait(15s), 0) << firstEnd->report();
    ASSERT_TRUE(endStepRan(1)) << status();

    auto secondEnd = callee(second, "uas_play_refer.xml", speaking(tone(second, 1300, 8)));
    dial(second);
    ASSERT_TRUE(connected(*secondEnd)) << status();
    EXPECT_EQ(app->set("RecThisCallCheck", "Value", "1"), "");
    pause(2500ms);
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_EQ(secondEnd->wait(15s), 0) << secondEnd->report();
    ASSERT_TRUE(endStepRan(2)) << status();

    const auto kept = recordingsOf(unsaved(), first);
    ASSERT_EQ(kept.size(), 1u) << "unsaved: " << filesIn(unsaved()).size() << " files";
    EXPECT_GT(engine::testing::toneSeconds(kept.front(), 800), 1.0) << kept.front();
    EXPECT_EQ(filesIn(unsaved()).size(), 1u);
    const auto saved = recordingsOf(messages(), second);
    ASSERT_EQ(saved.size(), 1u) << filesIn(messages()).size() << " files in messages";
    EXPECT_GT(engine::testing::toneSeconds(saved.front(), 1300), 1.0) << saved.front();
    EXPECT_LT(engine::testing::toneSeconds(saved.front(), 800), 0.1) << saved.front() << " holds the earlier call";
    EXPECT_EQ(filesIn(messages()).size(), 1u);
}

// The program's end during a call, by Exit or by SIGTERM, hangs the call up
// first: the far end gets its BYE, the call one "hang up" record and its
// recording.
TEST_F(ShiftE2E, TheProgramsEndHangsUpTheCallAndLogsItOnce) {
    recordAll();
    const std::pair<const char*, int> ways[] = {{"Exit", 30}, {"SIGTERM", 31}};
    for (const auto& [way, customer] : ways) {
        SCOPED_TRACE(way);
        ASSERT_NO_FATAL_FAILURE(startRegistered());
        const std::string number = customerNumber(customer);
        auto peer = callee(number, "uas_play_refer.xml", speaking(tone(number, 1100, 8)));
        dial(number);
        ASSERT_TRUE(connected(*peer)) << status();
        pause(2s);
        const std::size_t before = records().size();
        if (std::string(way) == "Exit")
            app->click("exitcmd");
        else
            ::kill(static_cast<pid_t>(app->pid()), SIGTERM);
        int code = -1;
        ASSERT_TRUE(app->waitForExit(20s, &code)) << app->output().toStdString();
        if (std::string(way) == "SIGTERM") {
            EXPECT_EQ(code, 0) << app->output().toStdString();
        }
        EXPECT_EQ(peer->wait(10s), 0) << peer->report() << peer->messages();
        EXPECT_TRUE(saw(*peer, "BYE sip:")) << peer->messages();
        const auto log = records();
        ASSERT_EQ(log.size(), before + 1) << readText(callLog());
        EXPECT_EQ(log.back().number, number) << log.back();
        EXPECT_EQ(log.back().outcome, "hang up") << log.back();
        EXPECT_EQ(recordingsOf(messages(), number).size(), 1u) << filesIn(messages()).size() << " files in messages";
        app.reset();
    }
}

}  // namespace
}  // namespace velmora::e2e
