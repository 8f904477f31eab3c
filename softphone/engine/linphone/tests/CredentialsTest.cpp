#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

struct ChallengeCase {
    const char* name;
    const char* scenario;
};

class ForeignChallenge : public EngineTest, public ::testing::WithParamInterface<ChallengeCase> {};

// The account's credentials answer the registrar's realm only: a far end
// that challenges a request of the agent's call with a realm of its own
// never receives an Authorization header. A challenged INVITE fails the
// call with its code, and the program reads why.
TEST_P(ForeignChallenge, GetsNoCredentials) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee(GetParam().scenario, {{"REALM", "evil.example"}});
    ASSERT_TRUE(online(ann)) << ann.log.text();
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    const bool hangUp = std::string(GetParam().name) == "Bye";
    if (hangUp) {
        ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
        ASSERT_TRUE(ann.engine->DisconnectLine(0));
    } else {
        ASSERT_TRUE(waitFor([&] { return ann.log.has("OnFailureResponseA"); })) << ann.log.text() << peer->report();
        EXPECT_EQ(ann.log.first("OnFailureResponseA"),
                  "OnFailureResponseA(0,401,Unauthorized: the far end asked for credentials)");
    }
    // The far end waits 3 s for the request again; its wait ends its scenario.
    EXPECT_TRUE(outcome(*peer).has_value()) << peer->report();
    const std::string seen = peer->messages();
    EXPECT_NE(seen.find("SIP/2.0 401"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("\nAuthorization:"), std::string::npos) << seen;
    // Its realm appears once: in its own challenge, never in an answer.
    const auto realm = seen.find("realm=\"evil.example\"");
    EXPECT_EQ(seen.find("realm=\"evil.example\"", realm + 1), std::string::npos) << seen;
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
}

INSTANTIATE_TEST_SUITE_P(Requests, ForeignChallenge,
                         ::testing::Values(ChallengeCase{"Invite", "uas_challenge_invite.xml"},
                                           ChallengeCase{"Bye", "uas_challenge_bye.xml"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EncryptionCase {
    const char* name;
    MediaEncryption encryption;
    const char* refusal;  // nullptr: registers
};

class MediaKeysInClear : public EngineTest, public ::testing::WithParamInterface<EncryptionCase> {};

// SDES keys travel in the SIP messages: SRTP over plain UDP is refused at
// going online (the status list shows "Failed: " and the reason), and no
// call is placed; ZRTP agrees its keys in the media path and goes with any
// transport.
TEST_P(MediaKeysInClear, SdesNeedsTls) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.mediaEncryption = GetParam().encryption; });
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->RegisterToProxy(1800));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnRegistered") || ann.log.has("OnRegisterFailed"); }))
        << ann.log.text();
    if (!GetParam().refusal) {
        EXPECT_TRUE(ann.log.has("OnRegistered")) << ann.log.text();
        return;
    }
    EXPECT_EQ(ann.log.first("OnRegisterFailed"), std::string("OnRegisterFailed(0,") + GetParam().refusal + ")");
    EXPECT_FALSE(ann.engine->Dial(0, "1002", -1, -1));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kConnectRequestFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, MediaKeysInClear,
    ::testing::Values(EncryptionCase{"Srtp", MediaEncryption::Srtp, "MediaEncryption=srtp needs Transport=tls"},
                      EncryptionCase{"SrtpMandatory", MediaEncryption::SrtpMandatory,
                                     "MediaEncryption=srtp-mandatory needs Transport=tls"},
                      EncryptionCase{"Zrtp", MediaEncryption::Zrtp, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::engine::testing
