#include "EngineRig.h"
#include "ToneCheck.h"

namespace velmora::engine::testing {
namespace {

using JoinLines = EngineTest;

// Ann (1001) calls Carol on line 0 and Bob, who speaks a 1 kHz tone, on
// line 1; joined, Carol hears Bob. Hanging up on Bob leaves Ann with Carol.
TEST_F(JoinLines, JoinedCallCarriesTheSecondPartyToTheFirstAndOutlivesAHangUp) {
    rig::TempFolder files("velmora-join");
    ASSERT_TRUE(writeWave(files.path() / "tone.wav", tone(1000, 8)));
    Agent& ann = agent("1001", "secret1");
    Agent& bob = agent("1002", "secret2",
                       [&](LinphoneEngineOptions& o) { o.headlessMicrophoneFile = files.path() / "tone.wav"; });
    Agent& carol = agent("1003", "secret3",
                         [&](LinphoneEngineOptions& o) { o.headlessSpeakerFile = files.path() / "carol-heard.wav"; });
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(online(carol));

    ASSERT_TRUE(connect(ann, 0, carol, "1003")) << ann.log.text() << carol.log.text();
    ASSERT_TRUE(connect(ann, 1, bob, "1002")) << ann.log.text() << bob.log.text();
    settle(500);

    ASSERT_TRUE(ann.engine->JoinLines(0, 1)) << ann.engine->GetLastEngineError();
    settle(2500);
    ASSERT_TRUE(ann.engine->DisconnectLine(1));  // the agent hangs up on Bob
    ASSERT_TRUE(waitFor([&] { return bob.log.has("OnHungUp(0)"); })) << bob.log.text();
    settle(1000);
    EXPECT_TRUE(ann.engine->IsLineBusy(0));
    EXPECT_FALSE(ann.engine->IsLineBusy(1));
    EXPECT_FALSE(carol.log.has("OnHungUp")) << carol.log.text();
    EXPECT_FALSE(ann.log.has("OnHungUp")) << ann.log.text();

    ASSERT_TRUE(carol.engine->DisconnectLine(0));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnHungUp(0)"); })) << ann.log.text();
    settle(300);
    EXPECT_GT(toneSeconds(files.path() / "carol-heard.wav", 1000), 1.0);
}

TEST_F(JoinLines, LinesWithoutTwoCallsAreRefused) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    EXPECT_FALSE(ann.engine->JoinLines(0, 1));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoVoiceSession);
    EXPECT_FALSE(ann.engine->JoinLines(0, 0));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidLine);
    EXPECT_FALSE(ann.engine->JoinLines(0, 5));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kInvalidLine);
}

TEST_F(JoinLines, AgentWithoutRegistrationCannotJoinAndItsCallsGoOn) {
    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    auto first = callee("uas_answer_reinvite.xml");
    auto second = callee("uas_answer_reinvite.xml");
    ASSERT_TRUE(ann.engine->Dial(0, first->uri(), -1, -1));
    ASSERT_TRUE(ann.engine->Dial(1, second->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.count("OnConnected") == 2; })) << ann.log.text();
    EXPECT_FALSE(ann.engine->JoinLines(0, 1));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kConnectRequestFailed);
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_TRUE(ann.engine->DisconnectLine(1));
    EXPECT_EQ(outcome(*first), 0) << first->report();
    EXPECT_EQ(outcome(*second), 0) << second->report();
}

}  // namespace
}  // namespace velmora::engine::testing
