#include "EngineRig.h"
#include "ToneCheck.h"

#include <fstream>

namespace velmora::engine::testing {
namespace {

using Playback = EngineTest;

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

// A wave file's bytes: its format chunk and its data chunk (in that order
// unless dataFirst), the frames filled with a constant.
std::string waveBytes(std::uint16_t tag, int channels, int rate, int bits, std::size_t frames, bool dataFirst = false) {
    std::string format;
    put(format, tag, 2);
    put(format, channels, 2);
    put(format, rate, 4);
    put(format, rate * channels * bits / 8, 4);
    put(format, channels * bits / 8, 2);
    put(format, bits, 2);
    std::string data(frames * channels * bits / 8, '\x40');
    std::string fmtChunk = "fmt ";
    put(fmtChunk, 16, 4);
    fmtChunk += format;
    std::string dataChunk = "data";
    put(dataChunk, std::uint32_t(data.size()), 4);
    dataChunk += data;
    std::string body = "WAVE" + (dataFirst ? dataChunk + fmtChunk : fmtChunk + dataChunk);
    std::string file = "RIFF";
    put(file, std::uint32_t(body.size()), 4);
    return file + body;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(Playback, FilesAreCheckedBeforePlayingAndRefusedWithTheirCodes) {
    rig::TempFolder files("velmora-play");
    const auto at = [&](const char* name) { return (files.path() / name).string(); };
    writeFile(at("empty.wav"), "");
    writeFile(at("text.wav"), "this is not a wave file, only some text\n");
    writeFile(at("cut.wav"), waveBytes(1, 1, 8000, 16, 800).substr(0, 30));
    writeFile(at("data-first.wav"), waveBytes(1, 1, 8000, 16, 800, true));
    writeFile(at("24bit.wav"), waveBytes(1, 1, 8000, 24, 800));
    writeFile(at("gsm.wav"), waveBytes(49, 1, 8000, 0, 0));
    writeFile(at("pcm8.wav"), waveBytes(1, 1, 11025, 8, 800));
    writeFile(at("pcm16-stereo-44k.wav"), waveBytes(1, 2, 44100, 16, 800));
    writeFile(at("alaw.wav"), waveBytes(6, 1, 8000, 8, 800));
    writeFile(at("ulaw.wav"), waveBytes(7, 1, 8000, 8, 800));
    std::filesystem::create_directory(at("folder.wav"));

    Agent& ann = agent("1001", "secret1");
    ASSERT_TRUE(start(ann));
    struct Case {
        const char* file;
        long code;  // 0: accepted
    } cases[] = {
        {"missing.wav", kWaveOpenFailed},
        {"folder.wav", kWaveOpenFailed},
        {"empty.wav", kWaveReadFailed},
        {"text.wav", kWaveReadFailed},
        {"cut.wav", kWaveReadFailed},
        {"data-first.wav", kWaveReadFailed},
        {"24bit.wav", kUnsupportedWaveFormat},
        {"gsm.wav", kUnsupportedWaveFormat},
        {"pcm8.wav", 0},
        {"pcm16-stereo-44k.wav", 0},
        {"alaw.wav", 0},
        {"ulaw.wav", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(ann.engine->SetPlayFile(0, at(c.file)), c.code == 0);
        EXPECT_EQ(ann.engine->GetLastEngineError(), c.code);
    }
    // A file is set, but there is no call to play it into.
    EXPECT_FALSE(ann.engine->StartPlay(0, false));
    EXPECT_EQ(ann.engine->GetLastEngineError(), kNoVoiceSession);
    EXPECT_FALSE(ann.engine->StartPlay(1, false));  // nothing set for line 1
    EXPECT_EQ(ann.engine->GetLastEngineError(), kWaveOpenFailed);
    EXPECT_FALSE(ann.engine->IsWavePlaying(0));
}

class PlaybackCall : public EngineTest {
protected:
    // Ann (1001) on a call with Bob (1002), who keeps what he hears.
    void SetUp() override {
        EngineTest::SetUp();
        ann = &agent("1001", "secret1");
        bob = &agent("1002", "secret2",
                     [&](LinphoneEngineOptions& o) { o.headlessSpeakerFile = files.path() / "bob-heard.wav"; });
        ASSERT_TRUE(online(*ann));
        ASSERT_TRUE(online(*bob));
        ASSERT_TRUE(connect(*ann, 0, *bob, "1002")) << ann->log.text() << bob->log.text();
        settle(300);
    }
    rig::TempFolder files{"velmora-play"};
    Agent* ann = nullptr;
    Agent* bob = nullptr;
};

// Converted on the way: a stereo 16 kHz file plays as the call's audio.
TEST_F(PlaybackCall, FileReachesTheFarEndAndItsEndIsReported) {
    const WaveAudio mono = tone(1500, 2, 16000);
    std::string bytes = waveBytes(1, 2, 16000, 16, mono.samples.size());
    for (std::size_t i = 0; i < mono.samples.size(); ++i)
        for (int c = 0; c < 2; ++c) {
            bytes[44 + 4 * i + 2 * c] = char(std::uint16_t(mono.samples[i]) & 0xFF);
            bytes[44 + 4 * i + 2 * c + 1] = char(std::uint16_t(mono.samples[i]) >> 8);
        }
    writeFile(files.path() / "message.wav", bytes);

    ASSERT_TRUE(ann->engine->SetPlayFile(0, (files.path() / "message.wav").string()));
    ASSERT_TRUE(ann->engine->StartPlay(0, true)) << ann->engine->GetLastEngineError();
    EXPECT_TRUE(ann->engine->IsWavePlaying(0));
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnPlayWaveDone"); }, 8000)) << ann->log.text();
    EXPECT_EQ(ann->log.first("OnPlayWaveDone"), "OnPlayWaveDone(0)");
    EXPECT_FALSE(ann->engine->IsWavePlaying(0));
    settle(300);
    EXPECT_EQ(ann->log.count("OnPlayWaveDone"), 1u);

    ASSERT_TRUE(bob->engine->DisconnectLine(0));
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnHungUp"); })) << ann->log.text();
    settle(200);
    const double heard = toneSeconds(files.path() / "bob-heard.wav", 1500);
    EXPECT_GT(heard, 1.5);
    EXPECT_LT(heard, 2.5);
}

TEST_F(PlaybackCall, PauseHoldsThePositionAndSeekMovesIt) {
    ASSERT_TRUE(writeWave(files.path() / "long.wav", tone(1500, 10)));
    ASSERT_TRUE(ann->engine->SetPlayFile(0, (files.path() / "long.wav").string()));
    ASSERT_TRUE(ann->engine->StartPlay(0, false));
    settle(1500);
    ASSERT_TRUE(ann->engine->PausePlay(0));
    EXPECT_FALSE(ann->engine->IsWavePlaying(0));
    const long paused = ann->engine->GetPlayPosition(0);
    EXPECT_GE(paused, 1);
    EXPECT_LE(paused, 3);
    settle(1200);
    EXPECT_EQ(ann->engine->GetPlayPosition(0), paused);

    ASSERT_TRUE(ann->engine->SeekPlayPosition(0, 6));
    EXPECT_EQ(ann->engine->GetPlayPosition(0), 6);
    ASSERT_TRUE(ann->engine->SeekPlayPosition(0, -2));  // before the start is the start
    EXPECT_EQ(ann->engine->GetPlayPosition(0), 0);
    ASSERT_TRUE(ann->engine->SeekPlayPosition(0, 7));
    ASSERT_TRUE(ann->engine->StartPlay(0, false));
    EXPECT_TRUE(ann->engine->IsWavePlaying(0));
    settle(1200);
    EXPECT_GE(ann->engine->GetPlayPosition(0), 8);
    // The player itself moved: the last 3 s end well before the whole 10 s would.
    ASSERT_TRUE(waitFor([&] { return ann->log.has("OnPlayWaveDone"); }, 4000)) << ann->log.text();

    ASSERT_TRUE(ann->engine->StartPlay(0, false));  // from the start again
    settle(500);
    ASSERT_TRUE(ann->engine->StopPlay(0));
    EXPECT_FALSE(ann->engine->IsWavePlaying(0));
    EXPECT_EQ(ann->engine->GetPlayPosition(0), 0);
    settle(300);
    EXPECT_EQ(ann->log.count("OnPlayWaveDone"), 1u) << ann->log.text();  // a stop is no end

    // Hanging up while it plays ends the play with the call; the file stays set.
    ASSERT_TRUE(ann->engine->StartPlay(0, false));
    settle(300);
    ASSERT_TRUE(ann->engine->DisconnectLine(0));
    EXPECT_FALSE(ann->engine->IsWavePlaying(0));
    settle(300);
    EXPECT_EQ(ann->log.count("OnPlayWaveDone"), 1u) << ann->log.text();
    EXPECT_FALSE(ann->engine->StartPlay(0, false));
    EXPECT_EQ(ann->engine->GetLastEngineError(), kNoVoiceSession);
}

}  // namespace
}  // namespace velmora::engine::testing
