// The platform layer on its own: RIFF reading and writing, format records, codec texts.
#include "helpers.h"
#include "platform/codecs/codec.h"
#include "platform/codecs/g711.h"
#include "platform/riff.h"

using namespace tonwell;
using namespace tonwell::testing;

TEST(Riff, WriterFixesSizesAndPadsOddChunks) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("w.wav"));
    {
        RiffWriter w;
        ASSERT_TRUE(w.create(file));
        Chunk riff, fmt, data;
        ASSERT_TRUE(w.createChunk(&riff, kRiff, kWave));
        ASSERT_TRUE(w.createChunk(&fmt, kFmt));
        const auto record = WaveFormat::pcm(8000, 8).toBytes();
        ASSERT_TRUE(w.write(record.data(), record.size()));
        ASSERT_TRUE(w.ascend(&fmt));
        ASSERT_TRUE(w.createChunk(&data, kData));
        ASSERT_TRUE(w.write("abc", 3));
        ASSERT_TRUE(w.ascend(&data));
        ASSERT_TRUE(w.ascend(&riff));
        ASSERT_TRUE(w.close());
    }
    EXPECT_EQ(readFile(file), waveBytes(QByteArray::fromHex("01000100401f0000401f0000010008000000"), "abc"));

    RiffReader r;
    ASSERT_TRUE(r.open(file));
    Chunk riff, fmt, data;
    ASSERT_TRUE(r.findRiff(kWave, &riff));
    ASSERT_TRUE(r.findChunk(riff, kFmt, &fmt));
    EXPECT_EQ(fmt.size, 18u);
    ASSERT_TRUE(r.ascend(fmt));
    ASSERT_TRUE(r.findChunk(riff, kData, &data));
    char buf[8];
    EXPECT_EQ(data.size, 3u);
    EXPECT_EQ(r.read(buf, data.size), 3);
    EXPECT_EQ(QByteArray(buf, 3), QByteArray("abc"));
}

TEST(Riff, ReaderStaysInsideTheFileWhateverTheSizesSay) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool findsData;
    };
    const QByteArray fmt = pcmFormat(8000, 8);
    const QByteArray hugeRiff =
        QByteArray("RIFF\xff\xff\xff\xff", 8) + "WAVE" + chunk("fmt ", fmt) + chunk("data", "xy");
    const QByteArray hugeSkip =
        QByteArray("RIFF\x40\x00\x00\x00", 8) + "WAVE" + QByteArray("LIST\xf0\xff\xff\xff", 8) + "ab";
    const Case cases[] = {
        {"4 GB RIFF size", hugeRiff, true},
        {"odd chunk padded",
         chunk("RIFF", QByteArray("WAVE") + chunk("odd ", "abc") + chunk("fmt ", fmt) + chunk("data", "z")), true},
        {"chunk past the end", hugeSkip, false},
        {"header cut short", QByteArray("RIFF\x10\x00\x00\x00WAVEfm", 14), false},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString file = dir.filePath(QStringLiteral("r.wav"));
        writeFile(file, c.bytes);
        RiffReader r;
        ASSERT_TRUE(r.open(file));
        Chunk riff, f, d;
        bool found = r.findRiff(kWave, &riff) && r.findChunk(riff, kFmt, &f);
        if (found) {
            std::vector<char> body(f.size);
            found = r.read(body.data(), f.size) == f.size && r.ascend(f) && r.findChunk(riff, kData, &d);
        }
        EXPECT_EQ(found, c.findsData) << c.name;
    }
}

TEST(Codecs, NamesAndDescriptionsInTheCompressionManagersWords) {
    const CodecManager& acm = CodecManager::instance();
    struct Case {
        WaveFormat f;
        const char* tag;
        const char* text;
    };
    WaveFormat mp3;
    mp3.tag = WAVE_FORMAT_MPEGLAYER3;
    mp3.channels = 1;
    mp3.samplesPerSec = 22050;
    mp3.avgBytesPerSec = 4000;
    WaveFormat alaw = WaveFormat::pcm(8000, 8);
    alaw.tag = WAVE_FORMAT_ALAW;
    const Case cases[] = {
        {WaveFormat::pcm(8000, 16), "PCM", "8.000 kHz, 16 Bit, Mono"},
        {WaveFormat::pcm(11025, 8, 2), "PCM", "11.025 kHz, 8 Bit, Stereo"},
        {WaveFormat::pcm(44100, 16), "PCM", "44.100 kHz, 16 Bit, Mono"},
        {alaw, "CCITT A-Law", "8.000 kHz, 8 Bit, Mono"},
        {mp3, "MPEG Layer-3", "32 kBit/s, 22,050 Hz, Mono"},
    };
    for (const Case& c : cases) {
        QString tag, text;
        ASSERT_TRUE(acm.tagName(c.f.tag, &tag));
        ASSERT_TRUE(acm.describe(c.f, &text));
        EXPECT_EQ(tag, QLatin1String(c.tag));
        EXPECT_EQ(text, QLatin1String(c.text));
    }
    QString none;
    EXPECT_FALSE(acm.tagName(0x1234, &none));
    EXPECT_EQ(acm.maxFormatSize(), 30u);
}

TEST(Codecs, G711ExpandsToTheStandardValues) {
    const std::tuple<std::uint8_t, std::int16_t, std::int16_t> cases[] = {
        // code, A-law value, u-law value
        {0xD5, 8, 716}, {0x55, -8, -716}, {0x80, 5504, 32124}, {0x00, -5504, -32124}, {0xFF, 848, 0}, {0x7F, -848, 0},
    };
    for (auto [code, a, u] : cases) {
        EXPECT_EQ(alawToLinear(code), a) << int(code);
        EXPECT_EQ(ulawToLinear(code), u) << int(code);
    }
}
