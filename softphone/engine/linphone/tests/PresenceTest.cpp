#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

using Presence = EngineTest;

TEST_F(Presence, StatusChangesReachTheSubscriberUntilTheContactIsRemoved) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(bob.engine->SetMyChatStatus(0));

    ASSERT_TRUE(ann.engine->AddChatContact(" 1002 ")) << ann.engine->GetLastEngineError();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,0)"); })) << ann.log.text();
    ASSERT_TRUE(bob.engine->SetMyChatStatus(2));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,2)"); })) << ann.log.text();
    ASSERT_TRUE(bob.engine->SetMyChatStatus(3));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,3)"); })) << ann.log.text();
    ASSERT_TRUE(bob.engine->SetMyChatStatus(4));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,4)"); })) << ann.log.text();
    ASSERT_TRUE(bob.engine->SetMyChatStatus(1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,1)"); })) << ann.log.text();
    EXPECT_FALSE(bob.log.has("OnChatContactStatus")) << bob.log.text();  // Bob watches no one

    // Removed as the program's list shows it, with its status.
    ASSERT_TRUE(ann.engine->RemoveChatContact("1002 [Offline]"));
    settle(300);
    const auto reports = ann.log.count("OnChatContactStatus");
    ASSERT_TRUE(bob.engine->SetMyChatStatus(0));
    settle(800);
    EXPECT_EQ(ann.log.count("OnChatContactStatus"), reports) << ann.log.text();
}

// Bob watches Ann before Ann watches Bob: each sees the other, and Ann
// removing Bob leaves Bob's view of Ann alone.
TEST_F(Presence, AgentsWatchingEachOtherBothSeeTheChanges) {
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(bob.engine->AddChatContact("1001"));
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnChatContactStatus(1001,0)"); })) << bob.log.text();
    ASSERT_TRUE(ann.engine->AddChatContact("1002")) << ann.engine->GetLastEngineError();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,0)"); })) << ann.log.text();
    ASSERT_TRUE(ann.engine->SetMyChatStatus(4));
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnChatContactStatus(1001,4)"); })) << bob.log.text();
    ASSERT_TRUE(bob.engine->SetMyChatStatus(2));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus(1002,2)"); })) << ann.log.text();

    ASSERT_TRUE(ann.engine->RemoveChatContact("1002"));
    settle(300);
    ASSERT_TRUE(ann.engine->SetMyChatStatus(3));
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnChatContactStatus(1001,3)"); })) << bob.log.text();
}

TEST_F(Presence, ContactWithoutAnAccountIsReportedOffline) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(ann.engine->AddChatContact("1999"));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnChatContactStatus"); })) << ann.log.text();
    EXPECT_EQ(ann.log.first("OnChatContactStatus"), "OnChatContactStatus(1999,1)");
    settle(300);
    EXPECT_EQ(ann.log.count("OnChatContactStatus"), 1u);
}

struct WatcherCase {
    const char* domain;
    bool watches;  // a NOTIFY keeps the subscription active and tells the status
};

class PresenceWatcher : public EngineTest, public ::testing::WithParamInterface<WatcherCase> {};

// Only agents of the account's own SIP domain may watch its presence.
TEST_P(PresenceWatcher, SubscriptionIsKeptOnlyFromTheAgentsDomain) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(ann.engine->SetMyChatStatus(0));
    auto watcher =
        caller("uac_subscribe_presence.xml", "1001", {{"WATCHER", "5550100"}, {"WATCHER_DOMAIN", GetParam().domain}});
    // sipp ends with 1 when no NOTIFY came (its wait for one timed out).
    ASSERT_EQ(outcome(*watcher), GetParam().watches ? 0 : 1) << watcher->report();
    // An outside watcher learns nothing: no active subscription, no status.
    const std::string seen = watcher->messages();
    EXPECT_EQ(seen.find("Subscription-State: active") != std::string::npos, GetParam().watches) << seen;
    EXPECT_EQ(seen.find("<basic>open</basic>") != std::string::npos, GetParam().watches) << seen;
}

INSTANTIATE_TEST_SUITE_P(Domains, PresenceWatcher,
                         ::testing::Values(WatcherCase{"pbx.test", true}, WatcherCase{"PBX.Test", true},
                                           WatcherCase{"evil.example", false}));

TEST_F(Presence, BadContactsAndStatusesAreRefused) {
    Agent& ann = agent("1001", "secret1");
    EXPECT_FALSE(ann.engine->AddChatContact("1002"));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNotOnline);
    ASSERT_TRUE(start(ann));
    for (const char* contact : {"", "  ", "a<b", "sip:1002@pbx.test"}) {
        SCOPED_TRACE(contact);
        EXPECT_FALSE(ann.engine->AddChatContact(contact));
        EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidUri);
    }
    for (long status : {-1L, 5L}) {
        EXPECT_FALSE(ann.engine->SetMyChatStatus(status));
        EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidValue);
    }
}

}  // namespace
}  // namespace velmora::engine::testing
