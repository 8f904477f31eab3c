#include "EngineRig.h"
#include "ToneCheck.h"

#include <fstream>

namespace velmora::engine::testing {
namespace {

// Ann (1001) records her call with Bob (1002), who speaks a 1 kHz tone.
class Recording : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(writeWave(files.path() / "tone.wav", tone(1000, 30)));
        ann = &agent("1001", "secret1");
        bob = &agent("1002", "secret2",
                     [&](LinphoneEngineOptions& o) { o.headlessMicrophoneFile = files.path() / "tone.wav"; });
        ASSERT_TRUE(online(*ann));
        ASSERT_TRUE(online(*bob));
        ASSERT_TRUE(connect(*ann, 0, *bob, "1002")) << ann->log.text() << bob->log.text();
    }
    std::string file(const char* name) const { return (files.path() / name).string(); }
    static double seconds(const std::string& path) {
        const LoadedWave saved = loadWave(path);
        return saved.problem == WaveProblem::None ? saved.audio.seconds() : -1;
    }

    rig::TempFolder files{"velmora-rec"};
    Agent* ann = nullptr;
    Agent* bob = nullptr;
};

// Recorded from the connect (as the program does), paused for 3 s, resumed,
// saved after the far end hung up.
TEST_F(Recording, SavedAfterHangUpHoldsTheToneWithoutThePausedStretch) {
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true)) << ann->engine->GetLastEngineError();
    EXPECT_TRUE(ann->engine->IsLineRecording(0));
    settle(2000);
    ASSERT_TRUE(ann->engine->PauseLineRecording(0));
    EXPECT_FALSE(ann->engine->IsLineRecording(0));
    settle(3000);
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(1500);
    ASSERT_TRUE(bob->engine->DisconnectLine(0));
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnHungUp(0)"); })) << ann->log.text();
    EXPECT_FALSE(ann->engine->IsLineRecording(0));

    ASSERT_TRUE(ann->engine->SaveRecording(0, file("call.wav"))) << ann->engine->GetLastEngineError();
    // 3.5 s were recorded; with the pause it would be 6.5 s.
    EXPECT_GT(seconds(file("call.wav")), 2.5);
    EXPECT_LT(seconds(file("call.wav")), 5.0);
    EXPECT_GT(toneSeconds(file("call.wav"), 1000), 2.5);

    // Saving again replaces the file with the same recording.
    const auto size = std::filesystem::file_size(file("call.wav"));
    std::ofstream(file("call.wav"), std::ios::app) << std::string(1000, 'x');
    ASSERT_TRUE(ann->engine->SaveRecording(0, file("call.wav")));
    EXPECT_EQ(std::filesystem::file_size(file("call.wav")), size);
}

TEST_F(Recording, ResetDiscardsAndAFailedSaveKeepsTheBuffer) {
    EXPECT_FALSE(ann->engine->SaveRecording(0, file("nothing.wav")));  // nothing recorded yet
    EXPECT_EQ(ann->engine->GetLastEngineError(), kNoVoiceSession);
    EXPECT_FALSE(ann->engine->StartLineRecording(1, 2, true));  // line 1 has no call
    EXPECT_EQ(ann->engine->GetLastEngineError(), kNoVoiceSession);

    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(2500);
    ann->engine->ResetRecording(0);  // what came so far is gone; recording goes on
    EXPECT_TRUE(ann->engine->IsLineRecording(0));
    settle(1000);
    ASSERT_TRUE(ann->engine->PauseLineRecording(0));

    for (const char* bad : {"/nonexistent-folder/call.wav", "/dev/full"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ann->engine->SaveRecording(0, bad));
        EXPECT_EQ(ann->engine->GetLastEngineError(), kWaveWriteFailed);
    }
    ASSERT_TRUE(ann->engine->SaveRecording(0, file("after-reset.wav")));
    EXPECT_GT(seconds(file("after-reset.wav")), 0.5);
    EXPECT_LT(seconds(file("after-reset.wav")), 2.0);  // not the 2.5 s before the reset
    EXPECT_GT(toneSeconds(file("after-reset.wav"), 1000), 0.5);

    ann->engine->ResetRecording(0);
    EXPECT_FALSE(ann->engine->SaveRecording(0, file("empty.wav")));
    EXPECT_EQ(ann->engine->GetLastEngineError(), kNoVoiceSession);

    // The program's own hang-up ends the recording; the save comes after it.
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(1000);
    ASSERT_TRUE(ann->engine->DisconnectLine(0));
    EXPECT_FALSE(ann->engine->IsLineRecording(0));
    ASSERT_TRUE(ann->engine->SaveRecording(0, file("hung-up.wav")));
    EXPECT_GT(toneSeconds(file("hung-up.wav"), 1000), 0.5);
    EXPECT_LT(seconds(file("hung-up.wav")), 2.0);
}

// The recording lives on disk as it is recorded, in a folder only the user
// can enter, and a save is a copy readable by the user alone.
TEST_F(Recording, StoreIsOnDiskAndSavesAreTheUsersAlone) {
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(1500);
    ASSERT_TRUE(ann->engine->PauseLineRecording(0));
    const auto folder = ann->state.path() / "recordings";
    const auto store = folder / "store-line0.pcm";
    ASSERT_TRUE(std::filesystem::exists(store));
    EXPECT_GT(std::filesystem::file_size(store), 8000u * 2);  // over a second of 8 kHz audio
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    const auto first = std::filesystem::file_size(store);
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(1500);
    ASSERT_TRUE(ann->engine->PauseLineRecording(0));
    EXPECT_GT(std::filesystem::file_size(store), first + 8000 * 2) << first;  // the second stretch follows
    ASSERT_TRUE(ann->engine->SaveRecording(0, file("call.wav")));
    EXPECT_EQ(std::filesystem::status(file("call.wav")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(std::filesystem::file_size(file("call.wav")), std::filesystem::file_size(store) + 44);
    ann->engine->ResetRecording(0);
    EXPECT_FALSE(std::filesystem::exists(store));
}

}  // namespace
}  // namespace velmora::engine::testing
