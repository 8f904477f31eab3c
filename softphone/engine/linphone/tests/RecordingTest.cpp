#include "EngineRig.h"
#include "ToneCheck.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <numbers>
#include <regex>
#include <sys/stat.h>

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
    // The one call store of the folder.
    static std::filesystem::path storeOf(const std::filesystem::path& folder) {
        std::vector<std::filesystem::path> stores;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".pcm") stores.push_back(entry.path());
        return stores.size() == 1 ? stores.front() : std::filesystem::path();
    }
    static double seconds(const std::filesystem::path& path) {
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
    const auto store = storeOf(folder);
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

// Call 1 (Bob's 1 kHz tone) is recorded and hung up unsaved; call 2 on the
// same line, to a far end that sends no audio, is recorded and saved: none of
// call 1 is in it, and call 1's audio is kept as its own unsaved recording.
TEST_F(Recording, EachCallRecordsIntoItsOwnStoreAndUnsavedAudioIsKeptApart) {
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(2000);
    ASSERT_TRUE(ann->engine->DisconnectLine(0));

    auto silent = callee("uas_answer.xml");
    ASSERT_TRUE(ann->engine->Dial(0, silent->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann->log.count("OnConnected(0") == 2; })) << ann->log.text();
    ASSERT_TRUE(ann->engine->StartLineRecording(0, 2, true));
    settle(1500);
    ASSERT_TRUE(ann->engine->SaveRecording(0, file("second.wav")));
    EXPECT_EQ(toneSeconds(file("second.wav"), 1000), 0.0);
    EXPECT_GT(seconds(file("second.wav")), 1.2);
    EXPECT_LT(seconds(file("second.wav")), 2.5);
    ASSERT_TRUE(ann->engine->DisconnectLine(0));

    const auto unsaved = ann->state.path() / "recordings" / "unsaved";
    std::vector<std::filesystem::path> kept;
    for (const auto& entry : std::filesystem::directory_iterator(unsaved)) kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(std::regex_match(kept[0].filename().string(), std::regex(R"(1002_\d{6}_\d{6}\.wav)"))) << kept[0];
    struct stat info {};
    ASSERT_EQ(::stat(kept[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(unsaved.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_GT(toneSeconds(kept[0], 1000), 1.5);
}

// A far end that sends no audio and an agent without a microphone: the
// recorder writes next to nothing, the recording still lasts as long as it ran.
using RecordingTime = EngineTest;

TEST_F(RecordingTime, RecordingLastsAsLongAsTheCallWasRecorded) {
    Agent& ann = agent("1001", "secret1");
    auto peer = callee("uas_answer.xml");
    ASSERT_TRUE(start(ann));
    ASSERT_TRUE(ann.engine->Dial(0, peer->uri(), -1, -1));
    ASSERT_TRUE(waitFor([&] { return ann.log.has("OnConnected"); })) << ann.log.text();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(ann.engine->StartLineRecording(0, 2, true));
    settle(6000);
    ASSERT_TRUE(ann.engine->DisconnectLine(0));
    const double ran = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    rig::TempFolder files("velmora-rec");
    ASSERT_TRUE(ann.engine->SaveRecording(0, (files.path() / "call.wav").string()));
    const LoadedWave saved = loadWave(files.path() / "call.wav");
    ASSERT_EQ(saved.problem, WaveProblem::None);
    EXPECT_NEAR(saved.audio.seconds(), ran, ran * 0.05);
}

// The share of the audio's energy that lies at the frequency (Goertzel power
// over 20 ms blocks against their energy): near 1 for the tone alone, about a
// half each for two tones of one loudness mixed, near 0 without it.
double toneShare(const WaveAudio& audio, double frequency) {
    const std::size_t block = static_cast<std::size_t>(audio.sampleRate / 50);
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / audio.sampleRate);
    double power = 0, energy = 0;
    for (std::size_t start = 0; block > 0 && start + block <= audio.samples.size(); start += block) {
        double s1 = 0, s2 = 0;
        for (std::size_t i = start; i < start + block; ++i) {
            const double x = audio.samples[i];
            const double s0 = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
            energy += x * x;
        }
        power += (s1 * s1 + s2 * s2 - coefficient * s1 * s2) * 2 / double(block);
    }
    return energy > 0 ? power / energy : 0;
}

// Both directions are in the recording, mixed: the far end's 1 kHz tone and
// the agent's own 440 Hz tone (her microphone).
using RecordingBothWays = EngineTest;

TEST_F(RecordingBothWays, TheFarEndAndTheAgentAreBothInTheSavedFile) {
    rig::TempFolder files("velmora-rec");
    ASSERT_TRUE(writeWave(files.path() / "far.wav", tone(1000, 30)));
    ASSERT_TRUE(writeWave(files.path() / "near.wav", tone(440, 30)));
    Agent& ann = agent("1001", "secret1",
                       [&](LinphoneEngineOptions& o) { o.headlessMicrophoneFile = files.path() / "near.wav"; });
    Agent& bob = agent("1002", "secret2",
                       [&](LinphoneEngineOptions& o) { o.headlessMicrophoneFile = files.path() / "far.wav"; });
    ASSERT_TRUE(online(ann));
    ASSERT_TRUE(online(bob));
    ASSERT_TRUE(connect(ann, 0, bob, "1002")) << ann.log.text() << bob.log.text();
    ASSERT_TRUE(ann.engine->StartLineRecording(0, 2, true));
    settle(3000);
    ASSERT_TRUE(ann.engine->SaveRecording(0, (files.path() / "call.wav").string()));
    const LoadedWave saved = loadWave(files.path() / "call.wav");
    ASSERT_EQ(saved.problem, WaveProblem::None);
    EXPECT_EQ(saved.audio.sampleRate, 8000);
    EXPECT_GT(saved.audio.seconds(), 2.5);
    EXPECT_GT(toneShare(saved.audio, 1000), 0.25);
    EXPECT_GT(toneShare(saved.audio, 440), 0.25);
    EXPECT_LT(toneShare(saved.audio, 1000) + toneShare(saved.audio, 440), 1.1);
}

}  // namespace
}  // namespace velmora::engine::testing
