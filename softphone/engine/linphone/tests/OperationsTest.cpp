#include "EngineRig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

namespace velmora::engine::testing {
namespace {

// Holds a UDP port for as long as it lives, as another program would.
class TakenPort {
public:
    explicit TakenPort(int port) : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~TakenPort() { ::close(fd_); }

private:
    int fd_;
};

using Operations = EngineTest;

struct Refused {
    const char* name;
    std::function<bool(SipEngine&)> call;
    long code;
};

void expectRefusals(SipEngine& engine, const std::vector<Refused>& cases) {
    for (const auto& c : cases) {
        EXPECT_FALSE(c.call(engine)) << c.name;
        EXPECT_EQ(engine.GetLastEngineError(), c.code) << c.name;
    }
}

TEST_F(Operations, EverythingBeforeInitialisationIsRefusedWithNotOnline) {
    Agent& ann = agent("1001", "secret1");
    expectRefusals(*ann.engine,
                   {
                       {"Dial", [](SipEngine& e) { return e.Dial(0, "1002", -1, -1); }, kNotOnline},
                       {"DisconnectLine", [](SipEngine& e) { return e.DisconnectLine(0); }, kNotOnline},
                       {"RegisterToProxy", [](SipEngine& e) { return e.RegisterToProxy(1800); }, kNotOnline},
                       {"OpenLine", [](SipEngine& e) { return e.OpenLine(0, false, "127.0.0.1", 7000); }, kNotOnline},
                       {"AcceptCall", [](SipEngine& e) { return e.AcceptCall(0, "x", -1, -1); }, kNotOnline},
                       {"RejectCall", [](SipEngine& e) { return e.RejectCall("x"); }, kNotOnline},
                       {"HoldLine", [](SipEngine& e) { return e.HoldLine(0); }, kNotOnline},
                       {"UnholdLine", [](SipEngine& e) { return e.UnholdLine(0); }, kNotOnline},
                       {"TransferCall", [](SipEngine& e) { return e.TransferCall(0, "1002"); }, kNotOnline},
                       {"SendDtmfDigit", [](SipEngine& e) { return e.SendDtmfDigit(0, "1"); }, kNotOnline},
                       {"ForwardCalls", [](SipEngine& e) { return e.ForwardCalls(true, "1002"); }, kNotOnline},
                       {"MuteMicrophone", [](SipEngine& e) { return e.MuteMicrophone(true); }, kNotOnline},
                       {"SetSpeakerVolume", [](SipEngine& e) { return e.SetSpeakerVolume(100); }, kNotOnline},
                       {"EnableAgc", [](SipEngine& e) { return e.EnableAgc(8000); }, kNotOnline},
                       {"IsLineOpen", [](SipEngine& e) { return e.IsLineOpen(0); }, kNotOnline},
                       {"IsLineBusy", [](SipEngine& e) { return e.IsLineBusy(0); }, kNotOnline},
                   });
    ann.engine->ShutdownEngine();  // harmless when not started
    settle(100);
    EXPECT_TRUE(ann.log.events.empty()) << ann.log.text();
}

TEST_F(Operations, BadLinesValuesAndTargetsAreRefusedWithTheirCodes) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann, 3));
    ann.engine->ShutdownEngine();
    // Three lines, of which only 0 and 1 are opened.
    std::string address = ann.engine->GetLocalAddress();
    ASSERT_TRUE(ann.engine->InitializeEngine(false, address, rig::freeUdpPort(), "1001", "1001", "secret1", "Ann",
                                             kDomain, kDomain, "", true, 3));
    ASSERT_TRUE(ann.engine->OpenLine(0, false, address, rig::freeUdpPort(true)));
    ASSERT_TRUE(ann.engine->OpenLine(1, false, address, rig::freeUdpPort(true)));
    expectRefusals(
        *ann.engine,
        {
            {"Dial beyond the lines", [](SipEngine& e) { return e.Dial(3, "1002", -1, -1); }, kInvalidLine},
            {"Dial line -1", [](SipEngine& e) { return e.Dial(-1, "1002", -1, -1); }, kInvalidLine},
            {"Dial on a closed line", [](SipEngine& e) { return e.Dial(2, "1002", -1, -1); }, kLineNotOpen},
            {"Dial nothing", [](SipEngine& e) { return e.Dial(0, "", -1, -1); }, kInvalidUri},
            {"Dial a malformed URI", [](SipEngine& e) { return e.Dial(0, "sip:@@", -1, -1); }, kInvalidUri},
            {"Dial with blanks", [](SipEngine& e) { return e.Dial(0, "555 1234", -1, -1); }, kInvalidUri},
            {"Dial an unknown device", [](SipEngine& e) { return e.Dial(0, "1002", 99, -1); }, kInvalidValue},
            {"Dial device -2", [](SipEngine& e) { return e.Dial(0, "1002", -1, -2); }, kInvalidValue},
            {"Hold an idle line", [](SipEngine& e) { return e.HoldLine(0); }, kNoVoiceSession},
            {"Unhold an idle line", [](SipEngine& e) { return e.UnholdLine(1); }, kNoVoiceSession},
            {"DTMF on an idle line", [](SipEngine& e) { return e.SendDtmfDigit(0, "5"); }, kNoVoiceSession},
            {"Two DTMF digits", [](SipEngine& e) { return e.SendDtmfDigit(0, "55"); }, kInvalidValue},
            {"DTMF letter", [](SipEngine& e) { return e.SendDtmfDigit(0, "x"); }, kInvalidValue},
            {"Transfer an idle line", [](SipEngine& e) { return e.TransferCall(0, "1002"); }, kNoVoiceSession},
            {"Accept an unknown call", [](SipEngine& e) { return e.AcceptCall(0, "nope", -1, -1); }, kInvalidCallId},
            {"Accept on a closed line", [](SipEngine& e) { return e.AcceptCall(2, "nope", -1, -1); }, kLineNotOpen},
            {"Reject an unknown call", [](SipEngine& e) { return e.RejectCall("nope"); }, kInvalidCallId},
            {"Microphone volume 251", [](SipEngine& e) { return e.SetMicrophoneVolume(251); }, kInvalidValue},
            {"Speaker volume -1", [](SipEngine& e) { return e.SetSpeakerVolume(-1); }, kInvalidValue},
            {"AGC level 0", [](SipEngine& e) { return e.EnableAgc(0); }, kInvalidValue},
            {"Mute a closed line", [](SipEngine& e) { return e.MuteLineMicrophone(2, true); }, kLineNotOpen},
            {"Mute line 7", [](SipEngine& e) { return e.MuteLineSpeaker(7, true); }, kInvalidLine},
            {"Register for 0 s", [](SipEngine& e) { return e.RegisterToProxy(0); }, kInvalidValue},
            {"Forward to nobody", [](SipEngine& e) { return e.ForwardCalls(true, ""); }, kInvalidUri},
            {"Open line 5", [](SipEngine& e) { return e.OpenLine(5, false, "", 7000); }, kInvalidLine},
            {"Open on port 0", [](SipEngine& e) { return e.OpenLine(2, false, "", 0); }, kInvalidValue},
        });
    EXPECT_TRUE(ann.engine->DisconnectLine(0));  // open and idle: nothing to end
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoError);
    EXPECT_FALSE(ann.engine->IsLineOpen(2));
    EXPECT_TRUE(ann.engine->IsLineOpen(1));
    EXPECT_FALSE(ann.engine->IsLineBusy(1));
    EXPECT_FALSE(ann.engine->IsLineOnHold(1));

    ann.engine->SetEngineInterval(0);  // no result to return: the code tells
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidValue);
    ann.engine->SetEngineInterval(30);
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoError);

    // A query between a failure and its report leaves the code alone.
    EXPECT_FALSE(ann.engine->Dial(0, "", -1, -1));
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    EXPECT_EQ(ann.engine->GetInputDeviceCount(), ann.engine->GetInputDeviceCount());
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidUri);
}

TEST_F(Operations, TakenSipPortIsRefusedWith11AndTheNextOneWorks) {
    Agent& ann = agent("1001", "secret1");
    const int port = rig::freeUdpPort();
    TakenPort taken(port);
    std::string address = ann.engine->GetLocalAddress();
    EXPECT_FALSE(ann.engine->InitializeEngine(false, address, port, "1001", "1001", "secret1", "Ann", kDomain, kDomain,
                                              "", true, 2));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kPortInUse);
    EXPECT_TRUE(ann.engine->InitializeEngine(false, address, rig::freeUdpPort(), "1001", "1001", "secret1", "Ann",
                                             kDomain, kDomain, "", true, 2));
    EXPECT_EQ(address, "127.0.0.1");  // the address towards the proxy
}

TEST_F(Operations, TakenRtpOrRtcpPortIsRefusedWith11) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    const int rtp = rig::freeUdpPort(true);
    {
        TakenPort taken(rtp);
        EXPECT_FALSE(ann.engine->OpenLine(0, false, "127.0.0.1", rtp));
        EXPECT_EQ(ann.engine->GetLastEngineError(), kPortInUse);
    }
    {
        TakenPort taken(rtp + 1);  // the RTCP port
        EXPECT_FALSE(ann.engine->OpenLine(0, false, "127.0.0.1", rtp));
        EXPECT_EQ(ann.engine->GetLastEngineError(), kPortInUse);
    }
    ASSERT_TRUE(ann.engine->OpenLine(0, false, "127.0.0.1", rtp));
    EXPECT_FALSE(ann.engine->OpenLine(1, false, "127.0.0.1", rtp));  // line 0 has it
    EXPECT_EQ(ann.engine->GetLastEngineError(), kPortInUse);
}

TEST_F(Operations, CallUsesTheLinesRtpPortAndTheSelectedCodecsInOrder) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    const int rtp = rig::freeUdpPort(true);
    ASSERT_TRUE(ann.engine->OpenLine(1, false, "127.0.0.1", rtp));
    ann.engine->ClearCodecSelection();
    ann.engine->SelectCodec(4);  // G.729
    ann.engine->SelectCodec(2);  // A-law
    ann.engine->SelectCodec(0);  // GSM
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoError);
    ann.engine->SelectCodec(1);  // iLBC: the library has none
    EXPECT_EQ(ann.engine->GetLastEngineError(), kCodecNotSupported);
    ann.engine->SelectCodec(9);
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidValue);

    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(ann.engine->Dial(1, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text();
    std::smatch audio;
    const std::string messages = peer->messages();
    ASSERT_TRUE(std::regex_search(messages, audio, std::regex("m=audio (\\d+) RTP/AVP ([0-9 ]+)")));
    EXPECT_EQ(audio[1], std::to_string(rtp));
    std::smatch events;
    ASSERT_TRUE(std::regex_search(messages, events, std::regex("a=rtpmap:(\\d+) telephone-event/8000")));
    // Only the chosen codecs, in the chosen order, and the DTMF events.
    EXPECT_EQ(audio[2].str(), "18 8 3 " + events[1].str());
    EXPECT_TRUE(ann.engine->DisconnectLine(1));
}

TEST_F(Operations, AudioControlsKeepTheirValuesAndDeviceListsAreConsistent) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    EXPECT_TRUE(ann.engine->SetMicrophoneVolume(250));
    EXPECT_TRUE(ann.engine->SetSpeakerVolume(75));
    EXPECT_EQ(ann.engine->GetMicrophoneVolume(), 250);
    EXPECT_EQ(ann.engine->GetSpeakerVolume(), 75);
    ann.engine->EnableMicBoost();
    EXPECT_TRUE(ann.engine->IsMicBoostEnabled());
    ann.engine->DisableMicBoost();
    EXPECT_FALSE(ann.engine->IsMicBoostEnabled());
    EXPECT_TRUE(ann.engine->EnableAgc(8000));
    ann.engine->DisableAgc();
    ann.engine->EnableEchoCancel();
    ann.engine->DisableEchoCancel();
    EXPECT_TRUE(ann.engine->MuteMicrophone(true));
    EXPECT_TRUE(ann.engine->MuteSpeaker(false));
    EXPECT_TRUE(ann.engine->MuteLineMicrophone(0, true));  // kept for the line's next call
    EXPECT_TRUE(ann.engine->MuteLineSpeaker(1, false));

    for (bool input : {true, false}) {
        const long count = input ? ann.engine->GetInputDeviceCount() : ann.engine->GetOutputDeviceCount();
        ASSERT_GE(count, 0);
        for (long i = 0; i < count; ++i)
            EXPECT_FALSE((input ? ann.engine->GetInputDeviceName(i) : ann.engine->GetOutputDeviceName(i)).empty());
        EXPECT_EQ(input ? ann.engine->GetInputDeviceName(count) : ann.engine->GetOutputDeviceName(count), "");
        EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidValue);
    }

    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text();
    settle(200);
    const long mic = ann.engine->GetMicrophoneLevel();
    const long speaker = ann.engine->GetSpeakerLevel();
    EXPECT_TRUE(mic >= 0 && mic <= 100) << mic;
    EXPECT_TRUE(speaker >= 0 && speaker <= 100) << speaker;
    EXPECT_TRUE(ann.engine->MuteLineSpeaker(0, true));
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
}

TEST_F(Operations, InbandDtmfLineOffersNoTelephoneEventsAndTheOtherLineStillDoes) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    ann.engine->EnableInbandDtmf(1);
    auto inband = callee("uas_answer.xml");
    auto rfc2833 = callee("uas_answer.xml");
    ASSERT_TRUE(ann.engine->Dial(1, inband->uri(), -1, -1));
    ASSERT_TRUE(ann.engine->Dial(0, rfc2833->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.count("OnConnected") == 2; })) << ann.log.text();
    // What each peer was offered: its log up to its own first answer.
    const auto offer = [](const std::string& log) { return log.substr(0, log.find("SIP/2.0 180")); };
    EXPECT_EQ(offer(inband->messages()).find("telephone-event"), std::string::npos);
    EXPECT_NE(offer(rfc2833->messages()).find("telephone-event"), std::string::npos);
    settle(200);
    EXPECT_TRUE(ann.engine->SendDtmfDigit(1, "4"));  // as tones inside the audio
    EXPECT_TRUE(ann.engine->SendDtmfDigit(0, "4"));
    ann.engine->DisableInbandDtmf(1);
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_TRUE(ann.engine->DisconnectLine(1));
    EXPECT_EQ(outcome(*inband), 0) << inband->report();
}

TEST_F(Operations, InitialisingTwiceRestartsTheEngineCleanly) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(start(ann));  // a second going online without going offline
    EXPECT_TRUE(ann.engine->IsLineOpen(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    ann.log.events.clear();
    ASSERT_TRUE(ann.engine->RegisterToProxy(1800));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnRegistered"); })) << ann.log.text();
}

}  // namespace
}  // namespace velmora::engine::testing
