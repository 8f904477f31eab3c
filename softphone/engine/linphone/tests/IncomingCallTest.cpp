#include "EngineRig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace velmora::engine::testing {
namespace {

using IncomingCall = EngineTest;

TEST_F(IncomingCall, OfferedCallIsAcceptedOnTheChosenLine) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent.xml", "1001", {{"TALK_MS", "500"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    EXPECT_EQ(ann.log.first("OnIncomingCall"),
              "OnIncomingCall(Customer,5550100,sip:5550100@pbx.test,sip:1001@pbx.test)");
    EXPECT_FALSE(ann.engine->IsLineBusy(1));  // offered, not yet on a line

    ASSERT_TRUE(ann.engine->AcceptCall(1, ann.log.lastCallId, -1, -1));
    EXPECT_TRUE(ann.engine->IsLineBusy(1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); })) << ann.log.text() << customer->report();
    EXPECT_TRUE(ann.log.has("OnConnected(1,Customer,5550100)")) << ann.log.text();
    EXPECT_EQ(ann.log.events.back(), "OnHungUp(1)");  // the customer hung up
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    EXPECT_FALSE(ann.log.has("OnIncomingCallEnded")) << ann.log.text();   // it ended as the line's call
    EXPECT_FALSE(ann.engine->AcceptCall(0, ann.log.lastCallId, -1, -1));  // taken already
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidCallId);
}

// UDP ports held as a second agent's phone on the same desktop holds its
// lines' ports: with address reuse, as liblinphone binds them, so that a
// later bind with reuse succeeds too and the two would share the audio.
struct HeldPorts {
    std::vector<int> fds;
    explicit HeldPorts(int first, int count) {
        for (int port = first; port < first + count; ++port) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_ANY);
            address.sin_port = htons(static_cast<uint16_t>(port));
            const int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) fds.push_back(fd);
            else ::close(fd);
        }
    }
    ~HeldPorts() {
        for (const int fd : fds) ::close(fd);
    }
};

TEST_F(IncomingCall, CallStillConnectsWhenAnotherProgramTookTheLinesPorts) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    const int first = rig::freeUdpPort(true);
    ASSERT_TRUE(ann.engine->OpenLine(0, false, ann.localAddress, first));
    ASSERT_TRUE(ann.engine->OpenLine(1, false, ann.localAddress, first + 2));
    HeldPorts taken(first, 4);  // free when the lines opened, taken since
    ASSERT_EQ(taken.fds.size(), 4u);
    auto customer = caller("uac_call_agent.xml", "1001", {{"TALK_MS", "500"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    ASSERT_TRUE(ann.engine->AcceptCall(0, ann.log.lastCallId, -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); })) << ann.log.text() << customer->report();
    EXPECT_TRUE(ann.log.has("OnConnected(0,Customer,5550100)")) << ann.log.text();
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    // The agent's answer offers audio on a port of its own.
    const std::string seen = customer->messages();
    const auto answer = seen.find("m=audio ", seen.find("SIP/2.0 200 "));
    ASSERT_NE(answer, std::string::npos) << seen;
    const int port = std::atoi(seen.c_str() + answer + 8);
    EXPECT_TRUE(port < first || port > first + 3) << port << " is held by the other phone";
}

TEST_F(IncomingCall, CallAcceptedWhileTheOtherLineTalksHoldsNothing) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto outgoing = callee("uas_answer.xml");
    ASSERT_TRUE(ann.engine->Dial(0, outgoing->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected(0"); })) << ann.log.text();
    auto customer = caller("uac_call_agent.xml", "1001", {{"TALK_MS", "800"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << customer->report();
    ASSERT_TRUE(ann.engine->AcceptCall(1, ann.log.lastCallId, -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected(1"); })) << ann.log.text();
    EXPECT_FALSE(ann.engine->IsLineOnHold(0));
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp(1)"); })) << ann.log.text();
    EXPECT_TRUE(ann.engine->IsLineBusy(0));  // the first call goes on
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    EXPECT_EQ(outcome(*outgoing), 0) << outgoing->report();  // it saw no hold re-INVITE
}

TEST_F(IncomingCall, OfferNobodyTakesIsDeclinedWhenItsTimeIsUp) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.offerTimeoutSeconds = 2; });
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent_refused.xml", "1001",
                           {{"FINAL", "486"}, {"CHECK_HEADER", "To:"}, {"CHECK_TEXT", "1001"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    EXPECT_EQ(outcome(*customer, 8000), 0) << customer->report();
    // Its id is gone: nothing is left to take or refuse.
    EXPECT_FALSE(ann.engine->RejectCall(ann.log.lastCallId));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidCallId);
}

TEST_F(IncomingCall, RejectedCallIsDeclinedWith603) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent_refused.xml", "1001",
                           {{"FINAL", "603"}, {"CHECK_HEADER", "To:"}, {"CHECK_TEXT", "1001"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    ASSERT_TRUE(ann.engine->RejectCall(ann.log.lastCallId));
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    EXPECT_FALSE(ann.engine->RejectCall(ann.log.lastCallId));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidCallId);
}

TEST_F(IncomingCall, CallerWithoutDisplayNameIsOfferedWithAnEmptyName) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent_refused.xml", "1001",
                           {{"CALLER_NAME", ""}, {"FINAL", "603"}, {"CHECK_HEADER", "To:"}, {"CHECK_TEXT", "1001"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    EXPECT_EQ(ann.log.first("OnIncomingCall"), "OnIncomingCall(,5550100,sip:5550100@pbx.test,sip:1001@pbx.test)");
    EXPECT_TRUE(ann.engine->RejectCall(ann.log.lastCallId));
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
}

TEST_F(IncomingCall, CallCancelledByTheCallerLeavesNoCallIdBehind) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent_cancel.xml", "1001");
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCallEnded"); })) << ann.log.text();
    EXPECT_EQ(ann.log.first("OnIncomingCallEnded"), "OnIncomingCallEnded(1)");  // the offered call's own id
    EXPECT_FALSE(ann.engine->AcceptCall(0, ann.log.lastCallId, -1, -1));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidCallId);
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
}

struct Refusal {
    const char* name;
    std::function<void(SipEngine&)> set;
    std::map<std::string, std::string> expected;
    friend void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }
};

class RefusedByTheEngine : public EngineTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedByTheEngine, OfferedCallIsAnsweredWithoutTheProgram) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    GetParam().set(*ann.engine);
    auto customer = caller("uac_call_agent_refused.xml", "1001", GetParam().expected);
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
    EXPECT_FALSE(ann.log.has("OnIncomingCall")) << ann.log.text();
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RefusedByTheEngine,
    ::testing::Values(Refusal{"DoNotDisturb",
                              [](SipEngine& e) { e.EnableDoNotDisturb(); },
                              {{"FINAL", "486"}, {"CHECK_HEADER", "To:"}, {"CHECK_TEXT", "1001"}}},
                      Refusal{
                          "Forwarding",
                          [](SipEngine& e) { ASSERT_TRUE(e.ForwardCalls(true, "5557654321")); },
                          {{"FINAL", "302"}, {"CHECK_HEADER", "Contact:"}, {"CHECK_TEXT", "sip:5557654321@pbx.test"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IncomingCall, DisablingDoNotDisturbAndForwardingOffersCallsAgain) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    ann.engine->EnableDoNotDisturb();
    ann.engine->DisableDoNotDisturb();
    ASSERT_TRUE(ann.engine->ForwardCalls(true, "5557654321"));
    ASSERT_TRUE(ann.engine->ForwardCalls(false, ""));
    auto customer = caller("uac_call_agent_cancel.xml", "1001");
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text();
    EXPECT_EQ(outcome(*customer), 0) << customer->report();
}

// Two agents of the same system: a number dialled becomes the proxy's
// user, the callee hangs up, and digits go both ways.
TEST_F(IncomingCall, AgentToAgentCallByNumberWithDigitsBothWays) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(ann.engine->Dial(0, "1002", -1, -1));
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnIncomingCall"); })) << ann.log.text() << bob.log.text();
    EXPECT_EQ(bob.log.first("OnIncomingCall"), "OnIncomingCall(Agent 1001,1001,sip:1001@pbx.test,sip:1002@pbx.test)");
    ASSERT_TRUE(bob.engine->AcceptCall(1, bob.log.lastCallId, -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected") && bob.log.has("OnConnected"); }))
        << ann.log.text() << bob.log.text();
    EXPECT_EQ(ann.log.first("OnConnected"), "OnConnected(0,1002,1002)");  // as dialled
    EXPECT_EQ(bob.log.first("OnConnected"), "OnConnected(1,Agent 1001,1001)");
    settle(300);  // media running both ways

    ASSERT_TRUE(ann.engine->SendDtmfDigit(0, "5"));
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnDtmfDigit"); })) << bob.log.text();
    EXPECT_EQ(bob.log.first("OnDtmfDigit"), "OnDtmfDigit(1,5)");
    ASSERT_TRUE(bob.engine->SendDtmfDigit(1, "#"));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnDtmfDigit"); })) << ann.log.text();
    EXPECT_EQ(ann.log.first("OnDtmfDigit"), "OnDtmfDigit(0,#)");

    ASSERT_TRUE(bob.engine->DisconnectLine(1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp"); })) << ann.log.text();
    EXPECT_EQ(ann.log.count("OnHungUp(0)"), 1u);
    settle(300);
    EXPECT_FALSE(bob.log.has("OnHungUp")) << bob.log.text();
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    EXPECT_FALSE(bob.engine->IsLineBusy(1));
}

}  // namespace
}  // namespace velmora::engine::testing
