#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

using namespace std::chrono_literals;
using OutgoingCall = EngineTest;

TEST_F(OutgoingCall, AnsweredAndHungUpByTheAgentRaisesNoHangUpEvent) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnConnecting(0)", "OnProvisionalResponse(0,180,Ringing)",
                                                        "OnConnected(0,peer,peer)"}));
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(1));

    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    settle(300);
    EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();
    EXPECT_TRUE(ann.engine->DisconnectLine(0));  // nothing left to end
}

TEST_F(OutgoingCall, FarEndHangUpRaisesOneHangUpEvent) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_answer_hang_up.xml", {{"TALK_MS", "300"}});
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(1, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); })) << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.events.back(), "OnHungUp(1)");
    EXPECT_FALSE(ann.engine->IsLineBusy(1));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    settle(300);
    EXPECT_EQ(ann.log.count("OnHungUp"), 1u);
}

TEST_F(OutgoingCall, EarlyMediaIsProvisionalResponse183) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_early_media.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.events,
              (std::vector<std::string>{"OnConnecting(0)", "OnProvisionalResponse(0,183,Session Progress)",
                                        "OnConnected(0,peer,peer)"}));
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
}

struct Refusal {
    std::string code;
    std::string phrase;
    std::string event;  // the failure event expected, without its closing parenthesis
    friend void PrintTo(const Refusal& r, std::ostream* out) {
        *out << r.code << " (" << r.phrase.size() << "-byte phrase)";
    }
};

class RefusedCall : public EngineTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedCall, FailureEventCarriesCodeAndPhraseAndFreesTheLine) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_refuse.xml", {{"CODE", GetParam().code}, {"PHRASE", GetParam().phrase}});
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnFailureResponse") || ann.log.has("OnConnectFailed"); }))
        << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.events.back(), GetParam().event + ")");
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    // The program's failure path hangs up the failed line, then logs the call.
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
}

const std::string kLongPhrase(2000, 'x');
const std::string kOddPhrase = "Occup\xe9 \xff\xfe";  // Latin-1 bytes, not UTF-8

INSTANTIATE_TEST_SUITE_P(
    Responses, RefusedCall,
    ::testing::Values(Refusal{"486", "Busy Here", "OnFailureResponseA(0,486,Busy Here"},
                      Refusal{"404", "Not Found", "OnFailureResponseA(0,404,Not Found"},
                      // A proxy passes a 503 on as 500 (RFC 3261, 16.7), phrase untouched.
                      Refusal{"503", "Service Unavailable", "OnFailureResponseB(0,500,Service Unavailable"},
                      Refusal{"500", "Server Internal Error", "OnFailureResponseB(0,500,Server Internal Error"},
                      Refusal{"603", "Decline", "OnFailureResponseC(0,603,Decline"},
                      Refusal{"380", "Alternative Service", "OnFailureResponseD(0,380,Alternative Service"},
                      Refusal{"486", kLongPhrase, "OnFailureResponseA(0,486," + kLongPhrase},
                      Refusal{"480", kOddPhrase, "OnFailureResponseA(0,480," + kOddPhrase}));

TEST_F(OutgoingCall, NeverAnsweredCallIsCancelledAndReportedAsConnectFailed) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.answerTimeoutSeconds = 2; });
    auto peer = callee("uas_never_answer.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnectFailed"); })) << ann.log.text();
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnConnecting(0)", "OnProvisionalResponse(0,180,Ringing)",
                                                        "OnConnectFailed(0)"}));
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();  // it saw the CANCEL
}

TEST_F(OutgoingCall, CallThatGetsNoResponseIsReportedAsConnectFailed) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_silent.xml", {{"SILENCE_MS", "8000"}});
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    // The proxy gives up on the silent peer after its 4 s timer.
    ASSERT_TRUE(waitFor([&] { return ann.log.events.size() >= 2; })) << ann.log.text();
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnConnecting(0)", "OnConnectFailed(0)"}));
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
}

TEST_F(OutgoingCall, PeerVanishingMidCallEndsTheCallByRtpTimeout) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.noRtpTimeoutSeconds = 2; });
    auto peer = callee("uas_answer.xml");  // answers, then sends no media at all
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text();
    peer.reset();  // gone without a BYE
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); }, 15000)) << ann.log.text();
    EXPECT_EQ(ann.log.count("OnHungUp(0)"), 1u);
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
}

TEST_F(OutgoingCall, HoldAndUnholdAreReInvitesSeenByThePeer) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_hold.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text();
    EXPECT_FALSE(ann.engine->IsLineOnHold(0));

    ASSERT_TRUE(ann.engine->HoldLine(0));
    ASSERT_TRUE(waitFor([&] { return ann.engine->IsLineOnHold(0); }));
    settle(200);
    EXPECT_FALSE(ann.engine->HoldLine(0));  // held already
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoVoiceSession);

    ASSERT_TRUE(ann.engine->UnholdLine(0));
    ASSERT_TRUE(waitFor([&] { return !ann.engine->IsLineOnHold(0); }));
    settle(200);
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    EXPECT_FALSE(ann.log.has("OnHungUp"));
}

TEST_F(OutgoingCall, Rfc2833DigitFromThePeerIsReported) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_dtmf.xml", {{"DIGIT", "7"}});
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnDtmfDigit"); })) << ann.log.text() << peer->report();
    EXPECT_EQ(ann.log.first("OnDtmfDigit"), "OnDtmfDigit(0,7)");
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
}

TEST_F(OutgoingCall, TwoLinesCarryCallsAtOnceWithoutHoldingEachOther) {
    Agent& ann = agent("1001", "secret1");
    auto first = callee("uas_answer.xml");
    auto second = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, first->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected(0"); })) << ann.log.text();
    ASSERT_TRUE(ann.engine->Dial(1, second->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected(1"); })) << ann.log.text();
    settle(300);
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    EXPECT_TRUE(ann.engine->IsLineBusy(1));
    EXPECT_FALSE(ann.engine->IsLineOnHold(0));
    EXPECT_FALSE(ann.engine->IsLineOnHold(1));
    EXPECT_FALSE(ann.engine->Dial(1, first->uri(), -1, -1));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kLineBusy);
    EXPECT_TRUE(ann.engine->DisconnectLine(1));
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    // A scenario fails on any request it did not expect, such as a hold re-INVITE.
    EXPECT_EQ(outcome(*first), 0) << first->report();
    EXPECT_EQ(outcome(*second), 0) << second->report();
}

TEST_F(OutgoingCall, EventsKeepComingWhileAHandlerWaits) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    std::vector<std::string> seenDuringTheWait;
    ann.log.onNext = [&] {  // OnConnecting's handler waits, as msDelay does
        waitFor([&] { return ann.log.has("OnConnected"); }, 5000);
        seenDuringTheWait = ann.log.events;
    };
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return !seenDuringTheWait.empty(); })) << ann.log.text();
    EXPECT_EQ(seenDuringTheWait, (std::vector<std::string>{"OnConnecting(0)", "OnProvisionalResponse(0,180,Ringing)",
                                                           "OnConnected(0,peer,peer)"}));
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
}

}  // namespace
}  // namespace velmora::engine::testing
