#include "WaveFile.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::engine {
namespace {

std::vector<std::int16_t> rawSamples(const std::filesystem::path& raw) {
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = std::int16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8);
    return out;
}

unsigned mode(const std::filesystem::path& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 ? unsigned(s.st_mode & 0777) : 0u;
}

WaveAudio ramp(int rate, std::size_t count) {
    WaveAudio audio;
    audio.sampleRate = rate;
    for (std::size_t i = 0; i < count; ++i) audio.samples.push_back(std::int16_t((i * 37) % 20000 - 10000));
    return audio;
}

// Block by block, the store holds what converting the whole file at once gives.
TEST(RecordingStore, AppendedStretchesMatchWholeFileConversion) {
    rig::TempFolder folder("velmora-store");
    const auto raw = folder.path() / "store.pcm";
    std::vector<std::int16_t> expected;
    for (const int rate : {8000, 16000, 48000, 11025}) {
        SCOPED_TRACE(rate);
        const WaveAudio audio = ramp(rate, 3 * 8192 + 123);  // several blocks and a part
        ASSERT_TRUE(writeWave(folder.path() / "stretch.wav", audio));
        const auto added = appendWaveAsPcm(folder.path() / "stretch.wav", raw, 8000);
        const auto whole = resampled(audio.samples, rate, 8000);
        ASSERT_TRUE(added);
        EXPECT_EQ(*added, whole.size() * 2);
        expected.insert(expected.end(), whole.begin(), whole.end());
    }
    EXPECT_EQ(rawSamples(raw), expected);
    EXPECT_EQ(mode(raw), 0600u);

    ASSERT_TRUE(writeWaveFromPcm(folder.path() / "saved.wav", raw, 8000));
    const LoadedWave saved = loadWave(folder.path() / "saved.wav");
    ASSERT_EQ(saved.problem, WaveProblem::None);
    EXPECT_EQ(saved.audio.samples, expected);
    EXPECT_EQ(mode(folder.path() / "saved.wav"), 0600u);
    EXPECT_EQ(rawSamples(raw), expected);  // a copy: the store keeps its audio
}

// A recorder that never fixed its sizes (stopped by a crash): the data counts
// to the end of the file. A file that is no wave adds nothing.
TEST(RecordingStore, UnfinishedStretchCountsAndBrokenOneLeavesTheStoreAlone) {
    rig::TempFolder folder("velmora-store");
    const auto raw = folder.path() / "store.pcm";
    ASSERT_TRUE(writeWave(folder.path() / "s.wav", ramp(8000, 1000)));
    {
        std::fstream f(folder.path() / "s.wav", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(40);
        f.write("\0\0\0\0", 4);  // data size 0
    }
    EXPECT_EQ(appendWaveAsPcm(folder.path() / "s.wav", raw, 8000), std::optional<std::uint64_t>(2000));
    std::ofstream(folder.path() / "text.wav") << "not a wave at all";
    EXPECT_FALSE(appendWaveAsPcm(folder.path() / "text.wav", raw, 8000));
    EXPECT_FALSE(appendWaveAsPcm(folder.path() / "missing.wav", raw, 8000));
    EXPECT_EQ(std::filesystem::file_size(raw), 2000u);
}

// Past what a wave file's 32-bit sizes can say, the save is refused rather
// than written with sizes that wrapped.
TEST(RecordingStore, SoundBeyondFourGigabytesIsRefused) {
    rig::TempFolder folder("velmora-store");
    const auto raw = folder.path() / "huge.pcm";
    const int fd = ::open(raw.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(1) << 32), 0);  // sparse: 2^31 samples
    ::close(fd);
    EXPECT_FALSE(writeWaveFromPcm(folder.path() / "out.wav", raw, 8000));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.wav"));
}

TEST(RecordingStore, UnwritableTargetsFailAndLeaveNoHalfFile) {
    rig::TempFolder folder("velmora-store");
    const auto raw = folder.path() / "store.pcm";
    ASSERT_TRUE(writeWave(folder.path() / "s.wav", ramp(8000, 100)));
    ASSERT_TRUE(appendWaveAsPcm(folder.path() / "s.wav", raw, 8000));
    EXPECT_FALSE(writeWaveFromPcm(folder.path() / "no-folder/x.wav", raw, 8000));
    EXPECT_FALSE(writeWaveFromPcm("/dev/full", raw, 8000));
    EXPECT_FALSE(writeWaveFromPcm(folder.path() / "x.wav", folder.path() / "no-store.pcm", 8000));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.wav"));
}

}  // namespace
}  // namespace velmora::engine
