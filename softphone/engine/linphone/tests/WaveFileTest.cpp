#include "WaveFile.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::engine {
namespace {

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
    return out;
}

// One-channel 8-bit file of the given tag holding the given sample bytes.
std::string eightBitWave(std::uint16_t tag, const std::string& samples) {
    const std::string fmt =
        "fmt " + le(16, 4) + le(tag, 2) + le(1, 2) + le(8000, 4) + le(8000, 4) + le(1, 2) + le(8, 2);
    const std::string data = "data" + le(std::uint32_t(samples.size()), 4) + samples;
    return "RIFF" + le(std::uint32_t(4 + fmt.size() + data.size()), 4) + "WAVE" + fmt + data;
}

// A recording saved where a link was planted goes nowhere: the link's
// target is never written through.
TEST(WaveFile, ASavedRecordingNeverFollowsALink) {
    rig::TempFolder folder{"velmora-wave-link"};
    const auto raw = folder.path() / "store.pcm";
    std::ofstream(raw, std::ios::binary) << std::string(3200, '\0');
    const auto victim = folder.path() / "victim.txt";
    std::ofstream(victim) << "kept";
    std::filesystem::create_symlink(victim, folder.path() / "saved.wav");
    EXPECT_FALSE(writeWaveFromPcm(folder.path() / "saved.wav", raw, 8000));
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
}

TEST(WaveFile, WrittenAudioReadsBackAsWritten) {
    rig::TempFolder folder("velmora-wave");
    WaveAudio audio;
    audio.sampleRate = 8000;
    audio.samples = {0, 1, -1, 32767, -32768, 1234};
    ASSERT_TRUE(writeWave(folder.path() / "a.wav", audio));
    const LoadedWave loaded = loadWave(folder.path() / "a.wav");
    ASSERT_EQ(loaded.problem, WaveProblem::None);
    EXPECT_EQ(loaded.audio.sampleRate, 8000);
    EXPECT_EQ(loaded.audio.samples, audio.samples);
    EXPECT_EQ(std::filesystem::file_size(folder.path() / "a.wav"), 44u + 12u);
}

TEST(WaveFile, EightBitEncodingsDecodeToTheirLinearValues) {
    rig::TempFolder folder("velmora-wave");
    struct Case {
        std::uint16_t tag;
        std::string bytes;
        std::vector<std::int16_t> expected;
    } cases[] = {
        {1, std::string("\x80\xFF\x00", 3), {0, 127 << 8, -128 << 8}},    // unsigned PCM
        {6, std::string("\xD5\x55\xAA\x2A", 4), {8, -8, 32256, -32256}},  // A-law
        {7, std::string("\xFF\x7F\x80\x00", 4), {0, 0, 32124, -32124}},   // u-law
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        writeBytes(folder.path() / "w.wav", eightBitWave(c.tag, c.bytes));
        const LoadedWave loaded = loadWave(folder.path() / "w.wav");
        ASSERT_EQ(loaded.problem, WaveProblem::None);
        EXPECT_EQ(loaded.audio.samples, c.expected);
    }
}

TEST(WaveFile, ResamplingKeepsTheDuration) {
    const std::vector<std::int16_t> second(44100, 100);
    EXPECT_EQ(resampled(second, 44100, 8000).size(), 8000u);
    EXPECT_EQ(resampled(second, 44100, 8000).front(), 100);
    EXPECT_EQ(resampled(std::vector<std::int16_t>(8000, 5), 8000, 16000).size(), 16000u);
}

}  // namespace
}  // namespace velmora::engine
