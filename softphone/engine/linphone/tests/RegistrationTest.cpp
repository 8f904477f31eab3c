#include "EngineRig.h"

namespace velmora::engine::testing {
namespace {

using Registration = EngineTest;

TEST_F(Registration, DigestAuthenticationRegistersAndShutdownUnregisters) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(online(ann)) << ann.log.text();
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnTryingToRegister()", "OnRegistered()"}));

    ann.engine->ShutdownEngine();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnUnregistered") || ann.log.has("OnUnregisterFailed"); }));
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnTryingToRegister()", "OnRegistered()",
                                                        "OnTryingToUnregister()", "OnUnregistered()"}));
    EXPECT_FALSE(ann.engine->IsLineOpen(0));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNotOnline);

    // The engine can be started again after a shutdown.
    ann.log.events.clear();
    ASSERT_TRUE(online(ann)) << ann.log.text();
}

TEST_F(Registration, WrongPasswordIsRefused) {
    Agent& ann = agent("1001", "not-the-password");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->RegisterToProxy(1800));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnRegisterFailed"); })) << ann.log.text();
    EXPECT_EQ(ann.log.first("OnRegisterFailed"), "OnRegisterFailed(403,Forbidden)");
    EXPECT_FALSE(ann.log.has("OnRegistered"));
}

TEST_F(Registration, UnreachableRegistrarFailsWithAReason) {
    const int nobody = rig::freeUdpPort();
    Agent& ann = agent("1001", "secret1", [&](LinphoneEngineOptions& options) {
        options.proxyAddress = "127.0.0.1:" + std::to_string(nobody);
        options.registerTimeoutSeconds = 2;
    });
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->RegisterToProxy(1800));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnRegisterFailed"); })) << ann.log.text();
    EXPECT_EQ(ann.log.events,
              (std::vector<std::string>{"OnTryingToRegister()", "OnRegisterFailed(408,Request Timeout)"}));
}

TEST_F(Registration, RefreshesAreReportedAndAVanishedRegistrarFailsThem) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.registerTimeoutSeconds = 2; });
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->RegisterToProxy(3));  // short, so that refreshes come soon
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnTryingToReRegister"); })) << ann.log.text();
    settle(500);
    EXPECT_EQ(ann.log.count("OnRegistered"), 1u);  // a refresh that succeeds stays silent
    EXPECT_FALSE(ann.log.has("OnReRegisterFailed"));

    kamailio.reset();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnReRegisterFailed"); })) << ann.log.text();
    EXPECT_EQ(ann.log.first("OnReRegisterFailed"), "OnReRegisterFailed(408,Request Timeout)");
}

TEST_F(Registration, ShutdownWithoutRegistrarReportsTheUnregistrationFailedInTime) {
    Agent& ann = agent("1001", "secret1", [](LinphoneEngineOptions& o) { o.unregisterTimeoutMs = 1000; });
    ASSERT_TRUE(online(ann));
    kamailio.reset();
    ann.engine->ShutdownEngine();
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnUnregisterFailed"); })) << ann.log.text();
    EXPECT_EQ(ann.log.events, (std::vector<std::string>{"OnTryingToRegister()", "OnRegistered()",
                                                        "OnTryingToUnregister()", "OnUnregisterFailed()"}));
}

TEST_F(Registration, ProductTagIsTheUserAgent) {
    Agent& ann = agent("1001", "secret1");
    ann.engine->SetProductTag("Velmora22a");  // before initialisation, as going online does
    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    EXPECT_NE(peer->messages().find("User-Agent: Velmora22a"), std::string::npos);
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(outcome(*peer), 0) << peer->report();
}

}  // namespace
}  // namespace velmora::engine::testing
