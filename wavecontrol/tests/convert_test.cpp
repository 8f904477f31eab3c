// Conversion: the codec manager's streams, the worker's two-stage path with its step codes, and
// the control's Convert, ConvertFormat and format dialog. Outputs are checked by decoding them
// with sox and with Tonwell's own playback.
#include "convert/conversion.h"
#include "helpers.h"
#include "message_window.h"
#include "platform/codecs/codec.h"
#include "platform/wavefile.h"

#include <QApplication>
#include <QtEndian>
#include <QComboBox>
#include <QDialog>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <numbers>

using namespace tonwell;
using namespace tonwell::testing;
using namespace component;

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}
std::vector<std::uint8_t> vectorOf(const QByteArray& b) { return {b.begin(), b.end()}; }

// A sine tone, 16-bit, the same on every channel.
QByteArray tone16(std::uint32_t rate, std::uint16_t channels, double seconds, double hz, double amplitude = 8000) {
    QByteArray d;
    const auto frames = static_cast<std::size_t>(rate * seconds);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto s = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate))));
        for (int c = 0; c < channels; ++c) {
            d.append(static_cast<char>(s & 0xFF));
            d.append(static_cast<char>(s >> 8));
        }
    }
    return d;
}

// Every 16-bit value once, in a scrambled order.
QByteArray allValues16() {
    QByteArray d;
    for (int i = 0; i < 65536; ++i) {
        const auto s = static_cast<std::uint16_t>((i * 997) % 65536);
        d.append(static_cast<char>(s & 0xFF));
        d.append(static_cast<char>(s >> 8));
    }
    return d;
}

std::vector<double> samplesOf(const QByteArray& raw) {
    std::vector<double> s(static_cast<std::size_t>(raw.size()) / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[2 * i]) |
                                         (static_cast<std::uint8_t>(raw[2 * i + 1]) << 8));
    return s;
}

// The data chunk of a wave file, or nothing when it is not a readable wave file.
std::optional<QByteArray> dataOf(const QString& file) {
    RiffReader r;
    std::vector<std::uint8_t> format;
    Chunk data;
    if (!r.open(file) || readWaveFile(r, 64, format, &data) != WaveFileStep::Ok) return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(data.size), '\0');
    if (r.read(bytes.data(), data.size) != data.size) return std::nullopt;
    return bytes;
}

// The file decoded by sox to 16-bit mono at `rate`. sox reads MPEG Layer-3 only as a plain
// stream: that data is handed over as an .mp3 file.
std::vector<double> soxDecode(QString file, std::uint32_t rate, bool mp3 = false) {
    if (mp3) {
        const QString stream = file + QStringLiteral(".mp3");
        EXPECT_TRUE(writeFile(stream, dataOf(file).value_or(QByteArray())));
        file = stream;
    }
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {QStringLiteral("-D"), file, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"),
               QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"),
               QStringLiteral("1"), QStringLiteral("-r"), QString::number(rate), QStringLiteral("-")});
    sox.waitForFinished(60000);
    EXPECT_EQ(sox.exitCode(), 0) << sox.readAllStandardError().toStdString();
    return samplesOf(sox.readAllStandardOutput());
}

// The middle half of a signal (codec delays and flushes stay out of the measure).
std::vector<double> middle(const std::vector<double>& s) {
    return std::vector<double>(s.begin() + static_cast<std::ptrdiff_t>(s.size() / 4),
                               s.begin() + static_cast<std::ptrdiff_t>(3 * s.size() / 4));
}

double rmsDb(const std::vector<double>& s) {
    double sum = 0;
    for (double v : s) sum += v * v;
    return 10 * std::log10(sum / std::max<std::size_t>(1, s.size()) + 1e-9);
}

// The tone's frequency from its upward zero crossings.
double frequency(const std::vector<double>& s, std::uint32_t rate) {
    std::size_t first = 0, last = 0, crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (!crossings) first = i;
            last = i;
            ++crossings;
        }
    return crossings < 2 ? 0 : (crossings - 1) * double(rate) / double(last - first);
}

WaveFormat formatNamed(std::uint16_t tag, std::uint32_t rate, std::uint16_t channels = 1) {
    for (const WaveFormat& f : CodecManager::instance().formats())
        if (f.tag == tag && f.samplesPerSec == rate && f.channels == channels) return f;
    ADD_FAILURE() << "no listed format " << tag;
    return {};
}

std::vector<std::uint8_t> targetBuffer(const WaveFormat& f) {
    std::vector<std::uint8_t> b = f.toBytes();
    b.resize(CodecManager::instance().maxFormatSize());
    return b;
}

class Conversion : public ::testing::Test {
protected:
    int convert(const QByteArray& source, const WaveFormat& target, const QString& out = QStringLiteral("out.wav")) {
        EXPECT_TRUE(writeFile(path(QStringLiteral("in.wav")), source));
        ConversionJob job;
        job.input = path(QStringLiteral("in.wav"));
        job.output = path(out);
        job.target = targetBuffer(target);
        job.maxFormatSize = CodecManager::instance().maxFormatSize();
        return runConversion(job);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

}  // namespace

// --- the codec manager --------------------------------------------------------------------

TEST(CodecManager, DriversListTheirFormatsAndSuggestPcmForThem) {
    const CodecManager& acm = CodecManager::instance();
    std::vector<std::uint16_t> tags;
    for (const auto& d : acm.drivers()) tags.push_back(d->tag());
    EXPECT_EQ(tags, (std::vector<std::uint16_t>{1, 6, 7, 0x11, 0x31, 0x55}));
    EXPECT_EQ(acm.maxFormatSize(), 30u);
    for (const auto& d : acm.drivers()) {
        ASSERT_FALSE(d->formats().empty()) << d->name().toStdString();
        for (const WaveFormat& f : d->formats()) {
            EXPECT_EQ(f.tag, d->tag());
            WaveFormat pcm;
            pcm.tag = WAVE_FORMAT_PCM;
            ASSERT_EQ(acm.suggest(f, &pcm, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_NOERROR)
                << d->describe(f).toStdString();
            // Every listed format converts both ways with its suggested PCM.
            EXPECT_EQ(acm.openStream(pcm, f, ACM_STREAMOPENF_QUERY, nullptr), MMSYSERR_NOERROR)
                << d->describe(f).toStdString();
            EXPECT_EQ(acm.openStream(f, pcm, ACM_STREAMOPENF_QUERY, nullptr), MMSYSERR_NOERROR)
                << d->describe(f).toStdString();
        }
    }
}

TEST(CodecManager, SuggestionIsRestrictedToTheAskedFields) {
    const CodecManager& acm = CodecManager::instance();
    struct Case {
        WaveFormat src;
        WaveFormat fixed;
        std::uint32_t flags;
        MMRESULT rc;
        WaveFormat expected;
    };
    WaveFormat gsmTag, pcmTag, pcm22;
    gsmTag.tag = WAVE_FORMAT_GSM610;
    pcmTag.tag = WAVE_FORMAT_PCM;
    pcm22 = WaveFormat::pcm(22050, 8, 2);
    const Case cases[] = {
        {WaveFormat::pcm(8000, 16), gsmTag, ACM_FORMATSUGGESTF_WFORMATTAG, MMSYSERR_NOERROR, formatNamed(0x31, 8000)},
        {formatNamed(0x31, 8000), pcmTag, ACM_FORMATSUGGESTF_WFORMATTAG, MMSYSERR_NOERROR, WaveFormat::pcm(8000, 16)},
        {WaveFormat::pcm(44100, 16, 2), pcm22, ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NSAMPLESPERSEC,
         MMSYSERR_NOERROR, WaveFormat::pcm(22050, 16, 2)},
        {WaveFormat::pcm(44100, 16, 2), pcm22, ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_WBITSPERSAMPLE,
         MMSYSERR_NOERROR, WaveFormat::pcm(44100, 8, 2)},
        {WaveFormat::pcm(8000, 16, 2), gsmTag, ACM_FORMATSUGGESTF_WFORMATTAG, ACMERR_NOTPOSSIBLE,
         gsmTag},  // GSM is mono
        {WaveFormat::pcm(8000, 24), pcmTag, ACM_FORMATSUGGESTF_WFORMATTAG, ACMERR_NOTPOSSIBLE, pcmTag},
    };
    for (const Case& c : cases) {
        WaveFormat dst = c.fixed;
        EXPECT_EQ(acm.suggest(c.src, &dst, c.flags), c.rc);
        EXPECT_EQ(dst, c.expected);
    }
}

TEST(CodecManager, StreamOpenRefusesWithDistinctCodes) {
    const CodecManager& acm = CodecManager::instance();
    const WaveFormat pcm = WaveFormat::pcm(8000, 16), gsm = formatNamed(0x31, 8000);
    WaveFormat broken = gsm;
    broken.avgBytesPerSec = 0;
    struct Case {
        WaveFormat src, dst;
        std::uint32_t flags;
        MMRESULT rc;
    } const cases[] = {
        {pcm, gsm, ACM_STREAMOPENF_NONREALTIME, MMSYSERR_NOERROR},
        {pcm, gsm, ACM_STREAMOPENF_ASYNC, MMSYSERR_NOTSUPPORTED},
        {WaveFormat::pcm(11025, 16), gsm, 0, ACMERR_NOTPOSSIBLE},  // a codec keeps the rate
        {gsm, formatNamed(6, 8000), 0, ACMERR_NOTPOSSIBLE},        // two codecs: via PCM only
        {pcm, broken, 0, ACMERR_NOTPOSSIBLE},
        {WaveFormat::pcm(8000, 24), pcm, 0, ACMERR_NOTPOSSIBLE},
    };
    for (const Case& c : cases) EXPECT_EQ(acm.openStream(c.src, c.dst, c.flags | ACM_STREAMOPENF_QUERY, nullptr), c.rc);
}

TEST(CodecManager, ConvertReportsBytesUsedAndProducedAndHoldsWhatDoesNotFit) {
    std::unique_ptr<CodecStream> stream;
    ASSERT_EQ(CodecManager::instance().openStream(WaveFormat::pcm(8000, 16), formatNamed(0x31, 8000), 0, &stream),
              MMSYSERR_NOERROR);
    EXPECT_EQ(stream->sourceAlign(), 640u);
    std::vector<std::uint8_t> src = vectorOf(tone16(8000, 1, 0.2, 400)), dst(100);
    StreamHeader h{0, src.data(), 1000, 0, dst.data(), 100, 0};
    EXPECT_EQ(stream->convert(&h, ACM_STREAMCONVERTF_BLOCKALIGN), ACMERR_UNPREPARED);
    ASSERT_EQ(stream->prepareHeader(&h), MMSYSERR_NOERROR);
    // Block-aligned: one whole block of 640 bytes, one 65-byte GSM block.
    ASSERT_EQ(stream->convert(&h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_TRUE(h.status & ACMSTREAMHEADER_STATUSF_DONE);
    EXPECT_EQ(h.srcLengthUsed, 640u);
    EXPECT_EQ(h.dstLengthUsed, 65u);
    // End: everything, the torn tail padded to a block; 3 blocks into 100 bytes: one held back.
    h.srcLength = 2000;
    ASSERT_EQ(stream->convert(&h, ACM_STREAMCONVERTF_END), MMSYSERR_NOERROR);
    EXPECT_EQ(h.srcLengthUsed, 2000u);
    EXPECT_EQ(h.dstLengthUsed, 100u);
    EXPECT_TRUE(stream->pending());
    // The held bytes come out first, and no new source is taken meanwhile.
    h.srcLength = 0;
    std::uint32_t rest = 0;
    while (stream->pending()) {
        ASSERT_EQ(stream->convert(&h, ACM_STREAMCONVERTF_END), MMSYSERR_NOERROR);
        EXPECT_EQ(h.srcLengthUsed, 0u);
        rest += h.dstLengthUsed;
    }
    EXPECT_EQ(rest, 4u * 65 - 100);
    EXPECT_EQ(stream->unprepareHeader(&h), MMSYSERR_NOERROR);
}

// --- the worker -----------------------------------------------------------------------------

TEST_F(Conversion, G711IsByteIdenticalToSox) {
    const QByteArray source = waveBytes(pcmFormat(8000, 16), allValues16());
    for (const auto& [tag, encoding] : {std::pair{WAVE_FORMAT_ALAW, "a-law"}, std::pair{WAVE_FORMAT_MULAW, "u-law"}}) {
        ASSERT_EQ(convert(source, formatNamed(tag, 8000)), kConversionOk);
        QProcess sox;
        sox.start(QStringLiteral("sox"),
                  {QStringLiteral("-D"), path(QStringLiteral("in.wav")), QStringLiteral("-t"), QStringLiteral("raw"),
                   QStringLiteral("-e"), QString::fromLatin1(encoding), QStringLiteral("-")});
        ASSERT_TRUE(sox.waitForFinished(30000));
        const QByteArray expected = sox.readAllStandardOutput();
        ASSERT_EQ(expected.size(), 65536);
        EXPECT_EQ(dataOf(path(QStringLiteral("out.wav"))), expected) << encoding;
    }
}

TEST_F(Conversion, CodecOutputsDecodeToTheSourceTone) {
    const QByteArray toneData = tone16(8000, 1, 2.5, 440);
    const double sourceDb = rmsDb(middle(samplesOf(toneData)));
    for (const std::uint16_t tag : {WAVE_FORMAT_GSM610, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_MPEGLAYER3}) {
        const WaveFormat target =
            tag == WAVE_FORMAT_MPEGLAYER3 ? CodecManager::instance().driver(tag)->formats()[1] : formatNamed(tag, 8000);
        ASSERT_EQ(convert(waveBytes(pcmFormat(8000, 16), toneData), target), kConversionOk) << tag;
        const std::vector<double> decoded =
            soxDecode(path(QStringLiteral("out.wav")), 8000, tag == WAVE_FORMAT_MPEGLAYER3);
        EXPECT_NEAR(decoded.size() / 8000.0, 2.5, 0.2) << tag;
        EXPECT_NEAR(frequency(middle(decoded), 8000), 440, 2) << tag;
        EXPECT_NEAR(rmsDb(middle(decoded)), sourceDb, 1.0) << tag;
    }
}

TEST_F(Conversion, RateAndChannelsChangeKeepsTheTone) {
    const QByteArray stereo = tone16(44100, 2, 3.3, 1000);
    ASSERT_EQ(convert(waveBytes(pcmFormat(44100, 16, 2), stereo), WaveFormat::pcm(8000, 16)), kConversionOk);
    const auto data = dataOf(path(QStringLiteral("out.wav")));
    ASSERT_TRUE(data);
    const std::vector<double> s = samplesOf(*data);
    EXPECT_NEAR(s.size() / 8000.0, 3.3, 0.01);
    EXPECT_NEAR(frequency(middle(s), 8000), 1000, 1);
    EXPECT_NEAR(rmsDb(middle(s)), rmsDb(middle(samplesOf(tone16(8000, 1, 1, 1000)))), 0.5);
}

TEST_F(Conversion, PcmToTheSamePcmAndEdgesOfTheData) {
    const QByteArray second = tone16(8000, 1, 1, 300);
    struct Case {
        const char* name;
        QByteArray source;
        QByteArray data;  // what the destination's data must be
    } const cases[] = {
        {"same format", waveBytes(pcmFormat(8000, 16), second + second.left(1000)), second + second.left(1000)},
        {"exact seconds", waveBytes(pcmFormat(8000, 16), second + second), second + second},
        {"empty data", waveBytes(pcmFormat(8000, 16), {}), {}},
        {"chunks after the data",
         chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", pcmFormat(8000, 16)) + chunk("data", second.left(3000)) +
                           chunk("LIST", QByteArray(40, 'x'))),
         second.left(3000)},
        {"data longer than the file",
         waveBytes(pcmFormat(8000, 16), second.left(2000)).replace(40, 4, QByteArray("\xff\xff\x00\x00", 4)),
         second.left(2000)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(convert(c.source, WaveFormat::pcm(8000, 16)), kConversionOk) << c.name;
        EXPECT_EQ(dataOf(path(QStringLiteral("out.wav"))), c.data) << c.name;
        // A valid file: RIFF size = file size - 8.
        const QByteArray file = readFile(path(QStringLiteral("out.wav")));
        EXPECT_EQ(static_cast<qsizetype>(qFromLittleEndian<std::uint32_t>(file.constData() + 4)), file.size() - 8)
            << c.name;
    }
}

TEST_F(Conversion, StepCodesOfBadSourcesAndUnbridgeableTargets) {
    const QByteArray tone = tone16(8000, 1, 0.5, 300);
    const QByteArray pcm8k = waveBytes(pcmFormat(8000, 16), tone);
    WaveFormat unknownTag = WaveFormat::pcm(8000, 16);
    unknownTag.tag = 0x0002;
    WaveFormat mp3At7k = CodecManager::instance().driver(WAVE_FORMAT_MPEGLAYER3)->formats()[0];
    mp3At7k.samplesPerSec = 7000;
    QByteArray pcm24 = pcmFormat(8000, 16);
    pcm24[14] = 24;
    pcm24[12] = 3;
    pcm24.replace(8, 4, QByteArray("\xc0\x5d\x00\x00", 4));
    const QByteArray gsm = readFile(QStringLiteral(TONWELL_TEST_DATA "/gsm.wav"));
    struct Case {
        const char* name;
        QByteArray source;
        WaveFormat target;
        int code;
        bool destination;
    } const cases[] = {
        {"not a wave file", QByteArray("just some text, no RIFF here"), WaveFormat::pcm(8000, 16), 2, false},
        {"cut in the header", pcm8k.left(10), WaveFormat::pcm(8000, 16), 2, false},
        {"no format chunk", chunk("RIFF", QByteArray("WAVE") + chunk("data", tone)), WaveFormat::pcm(8000, 16), 3,
         false},
        {"format chunk larger than the buffer", waveBytes(QByteArray(40, '\1'), tone), WaveFormat::pcm(8000, 16), 4,
         false},
        {"cut in the format", pcm8k.left(30), WaveFormat::pcm(8000, 16), 4, false},
        {"no data chunk", chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", pcmFormat(8000, 16))),
         WaveFormat::pcm(8000, 16), 5, false},
        {"no codec for the target tag", pcm8k, unknownTag, 10, false},
        {"no intermediate for the target", pcm8k, mp3At7k, 12, false},
        {"24-bit source", waveBytes(pcm24, tone), formatNamed(0x31, 8000), 30, true},
        {"GSM to GSM at another rate", gsm, formatNamed(0x31, 11025), 34, true},
        {"zero block align", waveBytes(QByteArray(pcmFormat(8000, 16)).replace(12, 2, QByteArray(2, '\0')), tone),
         formatNamed(6, 8000), 30, true},
        {"zero bytes a second", waveBytes(QByteArray(pcmFormat(8000, 16)).replace(8, 4, QByteArray(4, '\0')), tone),
         formatNamed(6, 8000), 30, true},
    };
    for (const Case& c : cases) {
        QFile::remove(path(QStringLiteral("out.wav")));
        EXPECT_EQ(convert(c.source, c.target), c.code) << c.name;
        EXPECT_EQ(QFile::exists(path(QStringLiteral("out.wav"))), c.destination) << c.name;
    }
    EXPECT_EQ(convert(pcm8k, WaveFormat::pcm(8000, 16), QStringLiteral("no/such/folder/out.wav")), 20);
    ConversionJob missing;
    missing.input = path(QStringLiteral("missing.wav"));
    missing.output = path(QStringLiteral("out.wav"));
    EXPECT_EQ(runConversion(missing), 1);
    EXPECT_EQ(conversionErrorText(20), QStringLiteral("Failed to create\\open destination file"));
    EXPECT_EQ(conversionErrorText(7), QStringLiteral("Unknown conversion error"));
}

// --- the control ----------------------------------------------------------------------------

namespace {

QString hexOf(const WaveFormat& f) { return QString::fromLatin1(bytesOf(f.toBytes()).toHex().toUpper()); }

class ConvertControl : public VirtualDevice {
protected:
    // Runs the event loop until ConvertDone or ConvertError; returns that event's line.
    QString waitForResult() {
        QElapsedTimer guard;
        guard.start();
        auto result = [this] {
            for (const QString& l : events->lines)
                if (l.startsWith(QStringLiteral("Convert"))) return l;
            return QString();
        };
        while (result().isEmpty() && guard.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return result();
    }
    QString lastError() const {
        auto info = getErrorInfo();
        return info ? info->description : QString();
    }
};

}  // namespace

TEST_F(ConvertControl, ConvertDoneArrivesOnTheControlsThreadAndTheOutputPlaysBack) {
    const QByteArray toneData = tone16(8000, 1, 2, 500);
    const QString in = makeWave(QStringLiteral("tone.wav"), pcmFormat(8000, 16), toneData);
    for (const WaveFormat& target :
         {formatNamed(0x31, 8000), formatNamed(0x11, 8000), CodecManager::instance().driver(0x55)->formats()[1]}) {
        events->lines.clear();
        QFile::remove(out);
        const QString converted = path(QStringLiteral("tone-%1.wav").arg(target.tag));
        ASSERT_EQ(control->put_ConvertFormat(hexOf(target)), S_OK);
        VARIANT_BOOL busyInside = VARIANT_TRUE;
        bool onOwnThread = false;
        events->onEvent = [&](const QString& line) {
            if (line == QStringLiteral("ConvertDone")) {
                control->get_ConvertBusy(&busyInside);
                onOwnThread = QThread::currentThread() == qApp->thread();
            }
        };
        // Two seconds of audio convert in a few milliseconds: the worker may
        // be done before this thread reads ConvertBusy again, so busy while
        // running is read in the long conversion below.
        ASSERT_EQ(control->Convert(in, converted), S_OK);
        EXPECT_EQ(waitForResult(), QStringLiteral("ConvertDone"));
        EXPECT_EQ(busyInside, VARIANT_FALSE);
        EXPECT_TRUE(onOwnThread);
        events->onEvent = nullptr;
        // Tonwell's own playback decodes it to the tone again.
        ASSERT_EQ(playFile(converted), S_OK);
        ASSERT_TRUE(waitForDonePlay());
        const std::vector<double> decoded = middle(samplesOf(played()));
        EXPECT_NEAR(frequency(decoded, 8000), 500, 2) << target.tag;
        EXPECT_NEAR(rmsDb(decoded), rmsDb(middle(samplesOf(toneData))), 1.0) << target.tag;
    }
}

TEST_F(ConvertControl, SynchronousChecksInOrder) {
    const QString in = makeWave(QStringLiteral("long.wav"), pcmFormat(8000, 16), tone16(8000, 1, 60, 300));
    ASSERT_EQ(control->put_ConvertFormat(hexOf(CodecManager::instance().driver(0x55)->formats()[1])), S_OK);
    struct Case {
        QString input, output, error;
    } const cases[] = {
        {in, in, QStringLiteral("OutputFileName can not be the same name as InputFileName")},
        {QString(), QString(), QStringLiteral("OutputFileName can not be the same name as InputFileName")},
        {in, QString(), QStringLiteral("OutputFileName or InputFileName invalid name")},
        {QString(), in, QStringLiteral("OutputFileName or InputFileName invalid name")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(control->Convert(c.input, c.output), TonwellACMError);
        EXPECT_EQ(lastError(), c.error);
    }
    // Names that differ only in case are two files; a second Convert while one runs is refused
    // and leaves the first alone.
    const QString upper = path(QStringLiteral("LONG.wav"));
    ASSERT_EQ(control->Convert(in, upper), S_OK);
    VARIANT_BOOL busy = VARIANT_FALSE;
    control->get_ConvertBusy(&busy);
    EXPECT_EQ(busy, VARIANT_TRUE);
    EXPECT_EQ(control->Convert(in, path(QStringLiteral("other.wav"))), TonwellACMError);
    EXPECT_EQ(lastError(), QStringLiteral("Converter busy"));
    EXPECT_EQ(waitForResult(), QStringLiteral("ConvertDone"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("other.wav"))));
    EXPECT_NEAR(soxDecode(upper, 8000, true).size() / 8000.0, 60, 0.2);
    EXPECT_EQ(events->lines, QStringList{QStringLiteral("ConvertDone")});
}

TEST_F(ConvertControl, FailuresArriveAsConvertErrorWithTheStepsText) {
    const QString text = path(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeFile(text, "not audio at all"));
    ASSERT_EQ(control->put_ConvertFormat(hexOf(WaveFormat::pcm(8000, 16))), S_OK);
    ASSERT_EQ(control->Convert(text, path(QStringLiteral("out.wav"))), S_OK);
    EXPECT_EQ(waitForResult(), QStringLiteral("ConvertError 2 Not a valid audio source file"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.wav"))));
    // Without a target the worker finds no codec.
    events->lines.clear();
    ASSERT_EQ(control->put_ConvertFormat(QString()), S_OK);
    const QString in = makeWave(QStringLiteral("in.wav"), pcmFormat(8000, 16), tone16(8000, 1, 0.5, 300));
    ASSERT_EQ(control->Convert(in, path(QStringLiteral("out.wav"))), S_OK);
    EXPECT_EQ(waitForResult(), QStringLiteral("ConvertError 10 Failed to find suitable output codec"));
}

TEST_F(ConvertControl, ConvertFormatTextsAndTheirDescriptions) {
    QString v;
    ASSERT_EQ(control->get_ConvertFormat(&v), S_OK);
    EXPECT_EQ(v, QString());
    const QString gsm = hexOf(formatNamed(0x31, 8000));
    struct Case {
        QString put;
        HRESULT hr;
        QString get, tag, attributes;
    } const cases[] = {
        {QStringLiteral("01000100401F0000803E0000020010000000"), S_OK,
         QStringLiteral("01000100401F0000803E0000020010000000"), QStringLiteral("PCM"),
         QStringLiteral("8.000 kHz, 16 Bit, Mono")},
        {gsm.toLower(), S_OK, gsm, QStringLiteral("GSM 6.10"), QStringLiteral("8.000 kHz, Mono")},
        {gsm + QStringLiteral("0"), TonwellInvalidPropertyValue, gsm, QStringLiteral("GSM 6.10"),
         QStringLiteral("8.000 kHz, Mono")},
        {QStringLiteral("0G000100401F0000803E0000020010000000"), TonwellInvalidPropertyValue, gsm,
         QStringLiteral("GSM 6.10"), QStringLiteral("8.000 kHz, Mono")},
        {QStringLiteral("0100"), TonwellInvalidPropertyValue, gsm, QStringLiteral("GSM 6.10"),
         QStringLiteral("8.000 kHz, Mono")},
        {QString(62, QLatin1Char('0')), TonwellInvalidPropertyValue, gsm, QStringLiteral("GSM 6.10"),
         QStringLiteral("8.000 kHz, Mono")},
        {QString(), S_OK, QString(), QStringLiteral("GSM 6.10"), QStringLiteral("8.000 kHz, Mono")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(control->put_ConvertFormat(c.put), c.hr) << c.put.toStdString();
        if (c.hr != S_OK) {
            EXPECT_EQ(lastError(), QStringLiteral("Convert format invalid property value"));
        }
        QString tag, attributes;
        control->get_ConvertFormat(&v);
        control->get_ConvertTag(&tag);
        control->get_ConvertAttributes(&attributes);
        EXPECT_EQ(v, c.get) << c.put.toStdString();
        EXPECT_EQ(tag, c.tag);
        EXPECT_EQ(attributes, c.attributes);
    }
}

TEST_F(ConvertControl, TheFormatDialogSetsTheTargetAndCancelKeepsIt) {
    auto answer = [](bool accept, const QString& tag, int format) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose Required Output Format"));
            auto* tags = dialog->findChild<QComboBox*>(QStringLiteral("formatTag"));
            tags->setCurrentIndex(tags->findText(tag));
            dialog->findChild<QComboBox*>(QStringLiteral("formatAttributes"))->setCurrentIndex(format);
            accept ? dialog->accept() : dialog->reject();
        });
    };
    answer(true, QStringLiteral("CCITT u-Law"), 1);
    ASSERT_EQ(control->ShowConvertFormatDialog(0), S_OK);
    QString v, tag, attributes;
    control->get_ConvertFormat(&v);
    control->get_ConvertTag(&tag);
    control->get_ConvertAttributes(&attributes);
    EXPECT_EQ(v, hexOf(formatNamed(7, 8000, 2)));
    EXPECT_EQ(tag, QStringLiteral("CCITT u-Law"));
    EXPECT_EQ(attributes, QStringLiteral("8.000 kHz, 8 Bit, Stereo"));
    answer(false, QStringLiteral("PCM"), 0);
    ASSERT_EQ(control->ShowConvertFormatDialog(0), S_OK);
    control->get_ConvertFormat(&v);
    EXPECT_EQ(v, hexOf(formatNamed(7, 8000, 2)));
}

TEST_F(ConvertControl, DestroyingTheControlStopsTheWorkerAndFiresNothing) {
    const QString in = makeWave(QStringLiteral("long.wav"), pcmFormat(8000, 16), tone16(8000, 1, 120, 300));
    ASSERT_EQ(control->put_ConvertFormat(hexOf(CodecManager::instance().driver(0x55)->formats()[1])), S_OK);
    ASSERT_EQ(control->Convert(in, path(QStringLiteral("out.wav"))), S_OK);
    control.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(events->lines.isEmpty());
}
