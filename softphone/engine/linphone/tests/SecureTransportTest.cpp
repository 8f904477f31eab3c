#include "EngineRig.h"
#include "ToneCheck.h"

#include <fstream>

// SIP over TLS to Kamailio's TLS listener, with the server's certificate
// checked, and call audio over SRTP or ZRTP.

namespace velmora::engine::testing {
namespace {

class SecureTransport : public EngineTest {
protected:
    SecureTransport() { withTls = true; }
    std::string kamailioLog() const { return rig::readFile(kamailio->logFile()); }
};

TEST_F(SecureTransport, RegistrationArrivesOnTheTlsListener) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann)) << ann.log.text() << kamailioLog();
    EXPECT_NE(kamailioLog().find("rig: REGISTER from sip:1001@pbx.test over tls"), std::string::npos);
}

TEST_F(SecureTransport, RegistrationOverTcpArrivesOnTheTcpListener) {
    Agent& ann = agent("1001", "secret1", [&](LinphoneEngineOptions& o) {
        o.transport = SipTransport::Tcp;
        o.proxyAddress = kamailio->tcpHostPort();
    });
    ASSERT_TRUE(online(ann)) << ann.log.text() << kamailioLog();
    EXPECT_NE(kamailioLog().find("rig: REGISTER from sip:1001@pbx.test over tcp"), std::string::npos);
}

TEST_F(SecureTransport, TakenTlsPortIsErrorElevenAsForUdp) {
    Agent& ann = agent("1001", "secret1");
    const std::string address = ann.engine->GetLocalAddress();
    std::string local = address;
    EXPECT_FALSE(ann.engine->InitializeEngine(false, local, kamailio->tlsPort(), "1001", "1001", "secret1", "Ann",
                                              kDomain, kDomain, "", true, 2));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kPortInUse);
}

// What the agent is given instead of Kamailio's certificate: nothing goes
// over that connection, and the status list gets a reason to read.
struct RefusalCase {
    const char* name;
    std::string certificateName = "localhost";
    bool expired = false;
    std::function<void(LinphoneEngineOptions&, const std::filesystem::path& scratch)> tune;
    std::string reasonHolds;
    friend void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }
};

class RefusedServer : public SecureTransport, public ::testing::WithParamInterface<RefusalCase> {
protected:
    RefusedServer() {
        tlsName = GetParam().certificateName;
        tlsExpired = GetParam().expired;
    }
};

TEST_P(RefusedServer, FailsRegistrationWithAReasonAndSendsNothing) {
    rig::TempFolder scratch("velmora-refused");
    Agent& ann = agent("1001", "secret1", [&](LinphoneEngineOptions& o) {
        if (GetParam().tune) GetParam().tune(o, scratch.path());
    });
    ASSERT_TRUE(start(ann)) << ann.engine->GetLastEngineError();
    ASSERT_TRUE(ann.engine->RegisterToProxy(1800));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnRegisterFailed") || ann.log.has("OnRegistered"); }))
        << ann.log.text();
    EXPECT_FALSE(ann.log.has("OnRegistered")) << ann.log.text();
    EXPECT_NE(ann.log.first("OnRegisterFailed").find(GetParam().reasonHolds), std::string::npos) << ann.log.text();

    // A call over that connection fails too.
    if (ann.engine->Dial(0, "1002", -1, -1)) {
        ASSERT_TRUE(waitFor([&] { return ann.log.has("OnFailureResponse") || ann.log.has("OnConnectFailed"); }))
            << ann.log.text();
    }
    EXPECT_FALSE(ann.log.has("OnConnected"));
    const std::string seen = kamailioLog();
    EXPECT_EQ(seen.find("rig: REGISTER"), std::string::npos);
    EXPECT_EQ(seen.find("rig: INVITE"), std::string::npos);
}

const auto otherAuthority = [](LinphoneEngineOptions& o, const std::filesystem::path& scratch) {
    rig::makeTestPki(scratch / "other");
    o.rootCa = scratch / "other" / "ca.pem";
};

INSTANTIATE_TEST_SUITE_P(
    , RefusedServer,
    ::testing::Values(RefusalCase{"SignedByAnotherAuthority", "localhost", false, otherAuthority,
                                  "TLS certificate of localhost refused"},
                      RefusalCase{
                          "IssuedForAnotherName", "other.test", false, {}, "TLS certificate of localhost refused"},
                      RefusalCase{"Expired", "localhost", true, {}, "TLS certificate of localhost refused"},
                      RefusalCase{"RootCaMissing", "localhost", false,
                                  [](LinphoneEngineOptions& o, const std::filesystem::path& scratch) {
                                      o.rootCa = scratch / "none.pem";
                                  },
                                  "RootCA file"},
                      RefusalCase{"RootCaNotPem", "localhost", false,
                                  [](LinphoneEngineOptions& o, const std::filesystem::path& scratch) {
                                      std::ofstream(scratch / "ca.pem")
                                          << "-----BEGIN CERTIFICATE-----\nnot one\n-----END CERTIFICATE-----\n";
                                      o.rootCa = scratch / "ca.pem";
                                  },
                                  "holds no PEM certificate"},
                      RefusalCase{"ServerGivenByAddress", "localhost", false,
                                  [](LinphoneEngineOptions& o, const std::filesystem::path&) {
                                      o.proxyAddress = "127.0.0.1" + o.proxyAddress.substr(o.proxyAddress.find(':'));
                                  },
                                  "not the address 127.0.0.1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Ann (1001) and Bob (1002), both over TLS, speak different tones; each
// hears the other's.
class EncryptedCall : public SecureTransport {
protected:
    void twoAgents(MediaEncryption encryption) {
        ASSERT_TRUE(writeWave(files.path() / "ann.wav", tone(1000, 20)));
        ASSERT_TRUE(writeWave(files.path() / "bob.wav", tone(600, 20)));
        for (const char* name : {"ann", "bob"}) {
            const std::string user = name == std::string("ann") ? "1001" : "1002";
            Agent& a = agent(user, "secret" + user.substr(3), [&](LinphoneEngineOptions& o) {
                o.mediaEncryption = encryption;
                o.headlessMicrophoneFile = files.path() / (std::string(name) + ".wav");
                o.headlessSpeakerFile = files.path() / (std::string(name) + "-heard.wav");
            });
            ASSERT_TRUE(online(a)) << a.log.text();
            (name == std::string("ann") ? ann : bob) = &a;
        }
        ASSERT_TRUE(connect(*ann, 0, *bob, "1002")) << ann->log.text() << bob->log.text();
    }
    // Ends the call from Ann's side and waits until both sides are done.
    void hangUp() {
        ASSERT_TRUE(ann->engine->DisconnectLine(0));
        ASSERT_TRUE(waitFor([&] { return bob->log.has("OnHungUp(0)"); })) << bob->log.text();
        ann->engine.reset();  // the heard files are complete once the engines are gone
        bob->engine.reset();
    }
    double heard(const char* who, double frequency) const {
        return toneSeconds(files.path() / (std::string(who) + "-heard.wav"), frequency);
    }
    std::string offer() const {
        const std::string seen = rig::readFile(kamailio->logFile());
        const auto at = seen.find("rig: INVITE from sip:1001@pbx.test offers");
        return at == std::string::npos ? std::string() : seen.substr(at, 3000);
    }

    rig::TempFolder files{"velmora-secure"};
    Agent* ann = nullptr;
    Agent* bob = nullptr;
};

TEST_F(EncryptedCall, MandatorySrtpCarriesToneBothWaysAndOffersOnlySrtp) {
    twoAgents(MediaEncryption::SrtpMandatory);
    settle(2000);
    EXPECT_TRUE(ann->engine->IsLineSecure(0));
    EXPECT_TRUE(bob->engine->IsLineSecure(0));
    hangUp();
    EXPECT_GT(heard("bob", 1000), 1.0);
    EXPECT_GT(heard("ann", 600), 1.0);
    const std::string sdp = offer();
    EXPECT_NE(sdp.find("m=audio"), std::string::npos) << sdp;
    EXPECT_NE(sdp.find("RTP/SAVP"), std::string::npos) << sdp;
    EXPECT_NE(sdp.find("a=crypto:"), std::string::npos) << sdp;
    EXPECT_EQ(sdp.find("RTP/AVP "), std::string::npos) << sdp;
}

TEST_F(EncryptedCall, ZrtpCarriesToneBothWays) {
    twoAgents(MediaEncryption::Zrtp);
    settle(2000);
    hangUp();
    EXPECT_GT(heard("bob", 1000), 1.0);
    EXPECT_GT(heard("ann", 600), 1.0);
    EXPECT_NE(offer().find("a=zrtp-hash:"), std::string::npos) << offer();
}

TEST_F(EncryptedCall, DigitsAndRecordingWorkOverSrtp) {
    twoAgents(MediaEncryption::SrtpMandatory);
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true)) << ann->engine->GetLastEngineError();
    ASSERT_TRUE(ann->engine->SendDtmfDigit(0, "5"));
    ASSERT_TRUE(waitFor([&] { return bob->log.has("OnDtmfDigit"); })) << bob->log.text();
    EXPECT_EQ(bob->log.first("OnDtmfDigit"), "OnDtmfDigit(0,5)");
    settle(2000);
    ASSERT_TRUE(ann->engine->DisconnectLine(0));
    ASSERT_TRUE(waitFor([&] { return bob->log.has("OnHungUp(0)"); })) << bob->log.text();
    ASSERT_TRUE(ann->engine->SaveRecording(0, (files.path() / "call.wav").string()))
        << ann->engine->GetLastEngineError();
    EXPECT_GT(toneSeconds(files.path() / "call.wav", 600), 1.0);
}

TEST_F(EncryptedCall, PlayingIntoTheCallWorksOverSrtp) {
    twoAgents(MediaEncryption::SrtpMandatory);
    ASSERT_TRUE(writeWave(files.path() / "message.wav", tone(1500, 2)));
    ASSERT_TRUE(ann->engine->SetPlayFile(0, (files.path() / "message.wav").string()));
    ASSERT_TRUE(ann->engine->StartPlay(0, false)) << ann->engine->GetLastEngineError();
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnPlayWaveDone(0)"); }, 8000)) << ann->log.text();
    hangUp();
    EXPECT_GT(heard("bob", 1500), 1.5);
}

TEST_F(EncryptedCall, JoiningWorksOverSrtp) {
    twoAgents(MediaEncryption::SrtpMandatory);
    Agent& carol = agent("1003", "secret3", [&](LinphoneEngineOptions& o) {
        o.mediaEncryption = MediaEncryption::SrtpMandatory;
        o.headlessSpeakerFile = files.path() / "carol-heard.wav";
    });
    ASSERT_TRUE(online(carol));
    ASSERT_TRUE(connect(*ann, 1, carol, "1003")) << ann->log.text() << carol.log.text();
    settle(500);
    ASSERT_TRUE(ann->engine->JoinLines(0, 1)) << ann->engine->GetLastEngineError();
    settle(2500);
    ASSERT_TRUE(carol.engine->DisconnectLine(0));
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnHungUp(1)"); })) << ann->log.text();
    carol.engine.reset();
    hangUp();
    EXPECT_GT(toneSeconds(files.path() / "carol-heard.wav", 600), 1.0);
}

// Against a far end that answers with plain RTP (sipp).
struct PlainPeerCase {
    const char* name;
    MediaEncryption encryption;
    bool connects;
    std::string offerHolds;
    friend void PrintTo(const PlainPeerCase& c, std::ostream* out) { *out << c.name; }
};

class PlainFarEnd : public SecureTransport, public ::testing::WithParamInterface<PlainPeerCase> {};

TEST_P(PlainFarEnd, GetsPlainRtpOrNoCall) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.mediaEncryption = GetParam().encryption; });
    // liblinphone hangs up on an answer it refuses without acknowledging it.
    auto peer = callee(GetParam().connects ? "uas_answer.xml" : "uas_answer_unacknowledged.xml");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected") || ann.log.has("OnFailureResponse"); }))
        << ann.log.text() << peer->report();
    if (GetParam().connects) {
        EXPECT_TRUE(ann.log.has("OnConnected(0")) << ann.log.text();
        settle(300);
        EXPECT_FALSE(ann.engine->IsLineSecure(0));  // plain RTP
        EXPECT_TRUE(ann.engine->DisconnectLine(0));
    } else {
        EXPECT_FALSE(ann.log.has("OnConnected")) << ann.log.text();
        EXPECT_EQ(ann.log.first("OnFailureResponseA"),
                  "OnFailureResponseA(0,488,Not Acceptable Here: SRTP is required and the far end offers plain RTP)");
        settle(300);
        EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();
    }
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    EXPECT_NE(peer->messages().find(GetParam().offerHolds), std::string::npos) << peer->messages();
}

INSTANTIATE_TEST_SUITE_P(
    , PlainFarEnd,
    ::testing::Values(PlainPeerCase{"SrtpFallsBackToRtp", MediaEncryption::Srtp, true, "a=acap:1 crypto:1 "},
                      PlainPeerCase{"MandatorySrtpFailsTheCall", MediaEncryption::SrtpMandatory, false, "a=crypto:1 "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::engine::testing
