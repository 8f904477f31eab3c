#include "CallRecording.h"
#include "TransferWatch.h"
#include "WaveFile.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <chrono>
#include <ctime>
#include <map>
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

// An unsaved recording is named after the far end's number, made safe for a
// file name, and the end of its call; a name taken gets -2, -3.
TEST(UnsavedRecording, NameIsTheSafeNumberAndTheCallsEnd) {
    rig::TempFolder folder("velmora-store");
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const auto at = std::chrono::system_clock::from_time_t(std::mktime(&local));
    const struct {
        std::string number, file;
    } cases[] = {
        {"5551234567", "5551234567_070324_090503.wav"},
        {"+44*20#7946-0958", "+44*20#7946-0958_070324_090503.wav"},
        {"../../etc/x", "______etc_x_070324_090503.wav"},
        {"a b\r\n;c", "a_b___c_070324_090503.wav"},
        {"", "unknown_070324_090503.wav"},
        {std::string(40, '7'), std::string(32, '7') + "_070324_090503.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        const auto name = CallRecording::unsavedName(folder.path(), c.number, at);
        EXPECT_EQ(name, folder.path() / "unsaved" / c.file);
    }
    std::ofstream(folder.path() / "unsaved" / "5551234567_070324_090503.wav") << "taken";
    std::ofstream(folder.path() / "unsaved" / "5551234567_070324_090503-2.wav") << "taken";
    EXPECT_EQ(CallRecording::unsavedName(folder.path(), "5551234567", at).filename(), "5551234567_070324_090503-3.wav");
    EXPECT_EQ(mode(folder.path() / "unsaved"), 0700u);
}

// What a crashed run left (a store, a stretch still being written, an older
// version's line store) is kept as unsaved recordings at the next start, and
// the call files go.
TEST(UnsavedRecording, StoresLeftByACrashAreKeptAtStart) {
    rig::TempFolder folder("velmora-store");
    ASSERT_TRUE(writeWave(folder.path() / "s.wav", ramp(8000, 8000)));
    ASSERT_TRUE(appendWaveAsPcm(folder.path() / "s.wav", folder.path() / "call-4.pcm", 8000));
    std::ofstream(folder.path() / "call-4.number") << "1002";
    ASSERT_TRUE(writeWave(folder.path() / "call-9.wav", ramp(8000, 4000)));  // a stretch alone
    std::ofstream(folder.path() / "call-9.number") << "5550100";
    ASSERT_TRUE(appendWaveAsPcm(folder.path() / "s.wav", folder.path() / "store-line1.pcm", 8000));
    std::filesystem::remove(folder.path() / "s.wav");

    CallRecording::keepLeftBehind(folder.path());

    std::map<std::string, double> kept;  // number -> seconds
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "unsaved")) {
        const LoadedWave wave = loadWave(entry.path());
        EXPECT_EQ(mode(entry.path()), 0600u);
        kept[entry.path().filename().string().substr(0, entry.path().filename().string().find('_'))] =
            wave.audio.seconds();
    }
    EXPECT_EQ(kept, (std::map<std::string, double>{{"1002", 1.0}, {"5550100", 0.5}, {"unknown", 1.0}}));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"unsaved"});
}

// The far end's answers to a REFER, as belle-sip traced them: its final
// response (with the dialog's Call-ID and the REFER's CSeq) and the status
// line a refer NOTIFY carries. Anything else is not news.
TEST(TransferNews, ReferResponsesAndNotifiesAreRead) {
    noteReceivedMessage("SIP/2.0 603 Decline\r\nVia: x\r\nCall-ID: abc\r\nCSeq: 22 REFER\r\n\r\n");
    noteReceivedMessage("SIP/2.0 200 OK\r\ni: abc\r\nCSeq: 23 INVITE\r\n\r\n");  // not the REFER's
    noteReceivedMessage("NOTIFY sip:a SIP/2.0\r\ni: abc\r\no: refer\r\n\r\nSIP/2.0 486 Busy Here\r\n");
    noteReceivedMessage("NOTIFY sip:a SIP/2.0\r\nCall-ID: abc\r\nEvent: presence\r\n\r\nSIP/2.0 200 OK\r\n");
    noteReceivedMessage("SIP/2.0 202 Accepted\r\nCall-ID: other\r\nCSeq: 5 REFER\r\n\r\n");
    const auto news = takeReferNews("abc");
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[0].kind, ReferNews::Kind::Response);
    EXPECT_EQ(news[0].code, 603);
    EXPECT_EQ(news[0].reason, "Decline");
    EXPECT_EQ(news[1].kind, ReferNews::Kind::Notify);
    EXPECT_EQ(news[1].code, 486);
    EXPECT_EQ(news[1].reason, "Busy Here");
    EXPECT_TRUE(takeReferNews("abc").empty());
    EXPECT_EQ(takeReferNews("other").size(), 1u);
}

}  // namespace
}  // namespace velmora::engine
