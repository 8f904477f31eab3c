#include "EngineRig.h"
#include "ToneCheck.h"

namespace velmora::engine::testing {
namespace {

using AudioLevels = EngineTest;

// Ann (1001) hears Bob (1002), who speaks a 1 kHz tone, then hangs up.
TEST_F(AudioLevels, MetersShowTheActiveCallsAudioAndRestAtZeroWithoutOne) {
    rig::TempFolder files("velmora-levels");
    ASSERT_TRUE(writeWave(files.path() / "tone.wav", tone(1000, 20)));
    const auto speaks = [&](LinphoneEngineOptions& o) { o.headlessMicrophoneFile = files.path() / "tone.wav"; };
    Agent& ann = agent("1001", "secret1", speaks);
    Agent& bob = agent("1002", "secret2", speaks);
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    EXPECT_EQ(ann.engine->GetMicrophoneLevel(), 0);
    EXPECT_EQ(ann.engine->GetSpeakerLevel(), 0);

    ASSERT_TRUE(connect(ann, 0, bob, "1002")) << ann.log.text() << bob.log.text();
    // Without a sound card the microphone is a file that liblinphone does
    // not meter: only the played side reads here.
    EXPECT_TRUE(waitFor([&] { return ann.engine->GetSpeakerLevel() > 50; })) << ann.engine->GetSpeakerLevel();
    EXPECT_LE(ann.engine->GetMicrophoneLevel(), 100);
    EXPECT_LE(ann.engine->GetSpeakerLevel(), 100);

    ASSERT_TRUE(ann.engine->DisconnectLine(0));
    EXPECT_EQ(ann.engine->GetMicrophoneLevel(), 0);
    EXPECT_EQ(ann.engine->GetSpeakerLevel(), 0);
}

TEST_F(AudioLevels, AMachineWithoutSoundCardOffersNoDevicesAndCallsStillRun) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    EXPECT_EQ(ann.engine->GetInputDeviceCount(), 0);
    EXPECT_EQ(ann.engine->GetOutputDeviceCount(), 0);
    EXPECT_EQ(ann.engine->GetInputDeviceName(0), "");
    EXPECT_FALSE(ann.engine->Dial(0, peer->uri(), 0, -1));  // no such device
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text() << peer->report();
    EXPECT_TRUE(ann.engine->DisconnectLine(0));
}

}  // namespace
}  // namespace velmora::engine::testing
