#include "EngineRig.h"

// Only the telephone system speaks to the phone: calls, calls that replace
// a line's call, chat messages and presence subscriptions are taken from the
// proxy only, whatever a far end that knows the agent's port sends it.

namespace velmora::engine::testing {
namespace {

// A sipp peer that sends straight to the agent's SIP port, past the proxy.
std::unique_ptr<rig::Sipp> straightTo(const Agent& agent, const std::string& scenario,
                                      std::map<std::string, std::string> values) {
    rig::Sipp::Setup setup;
    setup.scenario = scenario;
    setup.service = agent.user;
    setup.remote = "127.0.0.1:" + std::to_string(agent.sipPort);
    values.emplace("DOMAIN", "pbx.test");
    values.emplace("CALLER", "5550100");
    values.emplace("CALLER_NAME", "Customer");
    values.emplace("RING_MS", "300");
    setup.values = std::move(values);
    return std::make_unique<rig::Sipp>(setup);
}

// The value of tag= in the first line of text starting with header after from.
std::string tagIn(const std::string& text, std::size_t from, const std::string& header) {
    const auto line = text.find("\n" + header, from);
    if (line == std::string::npos) return {};
    const auto end = text.find('\n', line + 1);
    const auto tag = text.find(";tag=", line);
    if (tag == std::string::npos || tag > end) return {};
    const auto begin = tag + 5;
    const auto stop = text.find_first_of(";>\r\n", begin);
    return text.substr(begin, stop - begin);
}

// The Replaces value naming the agent's dialog with this caller: the
// Call-ID, the agent's tag (to-tag: the receiver's own) and the caller's.
std::string dialogWith(const rig::Sipp& caller, const std::string& callId) {
    const std::string seen = caller.messages();
    const auto answer = seen.find("SIP/2.0 200 ");
    if (answer == std::string::npos) return {};
    return callId + ";to-tag=" + tagIn(seen, answer, "To:") + ";from-tag=" + tagIn(seen, 0, "From:");
}

struct ReplaceCase {
    const char* name;
    bool throughProxy;
};

class Replacing : public EngineTest, public ::testing::WithParamInterface<ReplaceCase> {};

// A far end that knows the dialog of the agent's call sends an INVITE that
// replaces it. Straight to the port it is refused and the call goes on;
// through the proxy it carries the line's call on: the line stays busy with
// the same call, and Hang Up ends the new dialog with a BYE.
TEST_P(Replacing, OnlyThroughTheProxyAndTheLineKeepsItsCall) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    auto customer = caller("uac_call_agent_wait_bye.xml", "1001", {{"WAIT_MS", "20000"}});
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnIncomingCall"); })) << ann.log.text() << customer->report();
    ASSERT_TRUE(ann.engine->AcceptCall(0, ann.log.lastCallId, -1, -1));
    ASSERT_TRUE(waitFor([&] { return customer->messages().find("ACK sip:") != std::string::npos; }))
        << customer->report();
    settle(300);
    const std::string replaces = dialogWith(*customer, ann.log.lastCallId);
    ASSERT_FALSE(replaces.empty()) << customer->messages();
    ASSERT_EQ(replaces.find("tag=;"), std::string::npos) << customer->messages();
    ASSERT_NE(replaces.back(), '=') << customer->messages();
    const auto eventsBefore = ann.log.events.size();

    std::map<std::string, std::string> values{{"REPLACES", replaces}, {"WAIT_MS", "20000"}, {"CALLER", "5550111"}};
    auto replacer = GetParam().throughProxy ? caller("uac_replaces.xml", "1001", values)
                                            : straightTo(ann, "uac_replaces.xml", values);
    if (GetParam().throughProxy) {
        // The replaced dialog ends (its caller gets the BYE); the line does not.
        ASSERT_EQ(outcome(*customer), 0) << customer->report() << ann.log.text();
        ASSERT_TRUE(waitFor([&] { return replacer->messages().find("ACK sip:") != std::string::npos; }))
            << replacer->report();
    } else {
        ASSERT_EQ(outcome(*replacer), 0) << replacer->report();
        EXPECT_NE(replacer->messages().find("SIP/2.0 403 Forbidden"), std::string::npos) << replacer->messages();
        EXPECT_EQ(replacer->messages().find("SIP/2.0 200"), std::string::npos) << replacer->messages();
    }
    settle(500);
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(1));
    // The program hears nothing: it is the same call on the same line.
    EXPECT_EQ(ann.log.events.size(), eventsBefore) << ann.log.text();

    // Hang Up ends whichever dialog the line's call now runs over.
    ASSERT_TRUE(ann.engine->DisconnectLine(0));
    rig::Sipp& current = GetParam().throughProxy ? *replacer : *customer;
    EXPECT_EQ(outcome(current), 0) << current.report();
    EXPECT_NE(current.messages().find("BYE sip:"), std::string::npos) << current.messages();
    EXPECT_FALSE(ann.engine->IsLineBusy(0));
    settle(300);
    EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();
}

INSTANTIATE_TEST_SUITE_P(Paths, Replacing,
                         ::testing::Values(ReplaceCase{"StraightToThePort", false},
                                           ReplaceCase{"ThroughTheProxy", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DirectCallCase {
    const char* name;
    bool allowDirectPeers;
};

class DirectCall : public EngineTest, public ::testing::WithParamInterface<DirectCallCase> {};

// A call straight to the agent's port is refused with 403 unless the
// deployment allows direct peers.
TEST_P(DirectCall, IsRefusedUnlessDirectPeersAreAllowed) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.allowDirectPeers = GetParam().allowDirectPeers; });
    ASSERT_TRUE(online(ann));
    auto peer = GetParam().allowDirectPeers
                    ? straightTo(ann, "uac_call_agent_cancel.xml", {})
                    : straightTo(ann, "uac_call_agent_refused.xml",
                                 {{"FINAL", "403"}, {"CHECK_HEADER", "CSeq:"}, {"CHECK_TEXT", "INVITE"}});
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    settle(300);
    EXPECT_EQ(ann.log.has("OnIncomingCall"), GetParam().allowDirectPeers) << ann.log.text();
}

INSTANTIATE_TEST_SUITE_P(Deployments, DirectCall,
                         ::testing::Values(DirectCallCase{"Default", false}, DirectCallCase{"AllowDirectPeers", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MessageCase {
    const char* name;
    bool throughProxy;
    const char* sender;
    const char* senderDomain;
    const char* shownAs;  // nullptr: refused
};

class ReceivedChat : public EngineTest, public ::testing::WithParamInterface<MessageCase> {};

// Chat messages come from agents of the account's own domain through the
// proxy, shown under their user part; anything else is refused (403) and
// shown nowhere.
TEST_P(ReceivedChat, IsTakenOnlyFromTheOwnDomainThroughTheProxy) {
    const MessageCase& c = GetParam();
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    std::map<std::string, std::string> values{{"SENDER", c.sender}, {"SENDER_DOMAIN", c.senderDomain}, {"TEXT", "hello"}};
    auto peer = c.throughProxy ? caller("uac_message.xml", "1001", values) : straightTo(ann, "uac_message.xml", values);
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
    settle(300);
    if (c.shownAs) {
        EXPECT_NE(peer->messages().find("SIP/2.0 200"), std::string::npos) << peer->messages();
        ASSERT_EQ(ann.log.chatMessages.size(), 1u) << ann.log.text();
        EXPECT_EQ(ann.log.chatMessages[0].first, c.shownAs);
        EXPECT_EQ(ann.log.chatMessages[0].second.rfind("hello", 0), 0u) << ann.log.chatMessages[0].second;
    } else {
        EXPECT_NE(peer->messages().find("SIP/2.0 403"), std::string::npos) << peer->messages();
        EXPECT_TRUE(ann.log.chatMessages.empty()) << ann.log.text();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Senders, ReceivedChat,
    ::testing::Values(MessageCase{"StraightFromAnotherDomain", false, "Me", "evil.example", nullptr},
                      MessageCase{"StraightAsAColleague", false, "1002", "pbx.test", nullptr},
                      MessageCase{"ThroughTheProxyFromAnotherDomain", true, "supervisor", "evil.example", nullptr},
                      MessageCase{"ThroughTheProxyFromTheOwnDomain", true, "supervisor", "pbx.test", "supervisor"}),
    [](const auto& info) { return std::string(info.param.name); });

using PresenceWatchers = EngineTest;

// Watchers of the agent's presence are bounded; one whose subscription
// ended makes room for the next.
TEST_F(PresenceWatchers, AreBoundedAndLeaveWhenTheirSubscriptionEnds) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.maxPresenceWatchers = 2; });
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(ann.engine->SetMyChatStatus(0));
    auto watch = [&](const std::string& who, const std::string& hold) {
        return caller("uac_subscribe_presence_end.xml", "1001",
                      {{"WATCHER", who}, {"WATCHER_DOMAIN", kDomain}, {"HOLD_MS", hold}});
    };
    auto active = [](const rig::Sipp& peer) {
        return peer.messages().find("Subscription-State: active") != std::string::npos;
    };
    auto first = watch("5550201", "1500");
    auto second = watch("5550202", "20000");
    ASSERT_TRUE(waitFor([&] { return active(*first) && active(*second); })) << first->messages() << second->messages();
    // Full: the third is told nothing.
    auto third = caller("uac_subscribe_presence.xml", "1001", {{"WATCHER", "5550203"}, {"WATCHER_DOMAIN", kDomain}});
    outcome(*third);
    EXPECT_FALSE(active(*third)) << third->messages();
    EXPECT_EQ(third->messages().find("<basic>open</basic>"), std::string::npos) << third->messages();
    // The first unsubscribes (Expires: 0): its place is free again.
    ASSERT_TRUE(outcome(*first).has_value()) << first->report();
    EXPECT_NE(first->messages().find("CSeq: 2 SUBSCRIBE"), std::string::npos) << first->messages();
    auto fourth = caller("uac_subscribe_presence.xml", "1001", {{"WATCHER", "5550204"}, {"WATCHER_DOMAIN", kDomain}});
    EXPECT_EQ(outcome(*fourth), 0) << fourth->report();
    EXPECT_TRUE(active(*fourth)) << fourth->messages();
}

// A SUBSCRIBE straight to the port learns nothing of the agent.
TEST_F(PresenceWatchers, StraightToThePortLearnNothing) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(ann.engine->SetMyChatStatus(0));
    auto peer = straightTo(ann, "uac_subscribe_presence.xml", {{"WATCHER", "5550201"}, {"WATCHER_DOMAIN", kDomain}});
    outcome(*peer);
    EXPECT_EQ(peer->messages().find("Subscription-State: active"), std::string::npos) << peer->messages();
    EXPECT_EQ(peer->messages().find("<basic>open</basic>"), std::string::npos) << peer->messages();
}

}  // namespace
}  // namespace velmora::engine::testing
