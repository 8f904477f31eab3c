// Recording on the virtual input: the file written, the level arithmetic, the failure codes in
// order, buffer sizes, silence detection and deletion, stop, pause, device faults, destruction.
#include "helpers.h"
#include "message_window.h"
#include "platform/codecs/codec.h"
#include "record/level.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QRegularExpression>
#include <QTimer>

using namespace tonwell;
using namespace tonwell::testing;
using namespace component;

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// The 18-byte format record the control writes into its "fmt " chunk.
QByteArray record18(std::uint32_t rate, std::uint16_t bits) { return bytesOf(WaveFormat::pcm(rate, bits).toBytes()); }

QByteArray samples16(std::initializer_list<int> values) {
    QByteArray d;
    for (int v : values) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
        d.append(static_cast<char>(u & 0xFF));
        d.append(static_cast<char>(u >> 8));
    }
    return d;
}

QByteArray samples8(std::initializer_list<int> values) {
    QByteArray d;
    for (int v : values) d.append(static_cast<char>(v));
    return d;
}

// A square wave of +-amplitude, 16-bit, `bytes` long.
QByteArray tone16(qsizetype bytes, int amplitude) {
    QByteArray d;
    for (qsizetype i = 0; d.size() < bytes; ++i) d.append(samples16({i % 8 < 4 ? amplitude : -amplitude}));
    return d;
}

QByteArray ramp16(qsizetype bytes) {
    QByteArray d;
    for (int i = 0; d.size() < bytes; ++i) d.append(samples16({(i * 331) % 20000 - 10000}));
    return d;
}

}  // namespace

class Recording : public VirtualDevice {
protected:
    void SetUp() override {
        VirtualDevice::SetUp();
        input = path(QStringLiteral("input.raw"));
        qputenv("TONWELL_VIRTUAL_IN", input.toLocal8Bit());
        target = path(QStringLiteral("rec.wav"));
    }
    // Records `data` from the virtual input, which goes away at its end, so that the recording
    // ends by itself with DoneRecord.
    HRESULT recordAll(const QByteArray& data) {
        writeFile(input, data);
        qputenv("TONWELL_VIRTUAL_FAIL", "vanish");
        control->put_RecordFilename(target);
        return control->Record(0);
    }
    QStringList silenceEvents() const { return events->lines.filter(QRegularExpression(QStringLiteral("^Silence "))); }

    QString input, target;
};

TEST(RecordLevel, GainAndPeaksFollowTheIntegerArithmetic) {
    struct Case {
        int bits;
        float gain;
        QByteArray in, out;
        int recordPeak, silencePeak;
    };
    const Case cases[] = {
        {8, 6.0f, samples8({128, 130, 200, 100, 0, 255, 131, 125}), samples8({128, 140, 255, 0, 0, 255, 146, 110}), 100,
         100},
        {8, 0.5f, samples8({128, 130, 200, 100, 0, 255, 131, 125}), samples8({128, 129, 164, 114, 64, 191, 129, 127}),
         50, 100},
        {8, 1.0f, samples8({128, 127, 129, 140}), samples8({128, 127, 129, 140}), 10, 10},
        {16, 6.0f, samples16({0, 1, 1000, -1000, 6000, -6000, 32767, -32768, 3, -3}),
         samples16({0, 6, 6000, -6000, 32767, -32768, 32767, -32768, 18, -18}), 99, 99},
        {16, 0.5f, samples16({0, 1, 1000, -1000, 6000, -6000, 32767, -32768, 3, -3}),
         samples16({0, 0, 500, -500, 3000, -3000, 16383, -16384, 1, -1}), 49, 99},
        {16, 1.0f, samples16({-1, 255, 256, 2560}), samples16({-1, 255, 256, 2560}), 7, 7},
        {16, 0.0f, samples16({12345, -12345}), samples16({0, 0}), 0, 37},
    };
    for (const Case& c : cases) {
        QByteArray data = c.in;
        int record = 0, silence = 0;
        auto* p = reinterpret_cast<std::uint8_t*>(data.data());
        if (c.bits == 8)
            recordLevel8(p, static_cast<std::size_t>(data.size()), c.gain, record, silence);
        else
            recordLevel16(p, static_cast<std::size_t>(data.size()), c.gain, record, silence);
        EXPECT_EQ(data.toHex(), c.out.toHex()) << c.bits << " bit, gain " << c.gain;
        EXPECT_EQ(record, c.recordPeak) << c.bits << " bit, gain " << c.gain;
        EXPECT_EQ(silence, c.silencePeak) << c.bits << " bit, gain " << c.gain;
    }
}

TEST_F(Recording, TheFileHoldsTheInputAfterGainBehindAValidHeader) {
    // The input is the level table's samples repeated, so that it spans buffers and ends in a
    // part-filled one.
    struct Case {
        std::int32_t format;
        std::uint32_t rate;
        std::uint16_t bits;
        std::int16_t level;
        QByteArray pattern, expected;
    };
    const QByteArray in8 = samples8({128, 130, 200, 100, 0, 255, 131, 125});
    const QByteArray in16 = samples16({0, 1, 1000, -1000, 6000, -6000, 32767, -32768, 3, -3});
    const Case cases[] = {
        {tw8000Hz8bit, 8000, 8, 0, in8, in8},
        {tw8000Hz8bit, 8000, 8, 50, in8, samples8({128, 140, 255, 0, 0, 255, 146, 110})},
        {tw8000Hz8bit, 8000, 8, -50, in8, samples8({128, 129, 164, 114, 64, 191, 129, 127})},
        {tw8000Hz16bit, 8000, 16, 0, in16, in16},
        {tw8000Hz16bit, 8000, 16, 50, in16, samples16({0, 6, 6000, -6000, 32767, -32768, 32767, -32768, 18, -18})},
        {tw8000Hz16bit, 8000, 16, -50, in16, samples16({0, 0, 500, -500, 3000, -3000, 16383, -16384, 1, -1})},
        {tw11025Hz16bit, 11025, 16, 0, in16, in16},
    };
    for (const Case& c : cases) {
        events->lines.clear();
        control->put_RecordFormat(static_cast<TonwellFormatConstants>(c.format));
        control->put_RecordLevel(c.level);
        ASSERT_EQ(recordAll(c.pattern.repeated(501)), S_OK);
        ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
        EXPECT_EQ(readFile(target), waveBytes(record18(c.rate, c.bits), c.expected.repeated(501)))
            << c.format << " at level " << c.level;
        EXPECT_EQ(events->lines.mid(events->lines.size() - 3),
                  (QStringList{"VUChange 0 0", "Silence -1", "DoneRecord"}));
        VARIANT_BOOL busy = VARIANT_TRUE;
        control->get_RecordBusy(&busy);
        EXPECT_EQ(busy, VARIANT_FALSE);
    }
}

TEST_F(Recording, FailuresComeWithTheirCodeInStepOrderAndLeaveNothingOpen) {
    writeFile(input, tone16(3200, 8000));
    struct Case {
        const char* what;
        std::int32_t format;  // twUserSelect: not set
        QString file;
        const char* faults;
        std::int32_t device;
        HRESULT code;
        const char* description;
    };
    const QString good = path(QStringLiteral("good.wav"));
    const Case cases[] = {
        {"no format", twUserSelect, good, "", 0, TonwellRecordFileCreateFailed, "Record format not set"},
        {"missing folder", tw8000Hz16bit, path(QStringLiteral("no/such/folder.wav")), "", 0,
         TonwellRecordFileCreateFailed, "Failed to create record file"},
        {"read-only place", tw8000Hz16bit, QStringLiteral("/proc/tonwell-record.wav"), "", 0,
         TonwellRecordFileCreateFailed, "Failed to create record file"},
        {"full disk", tw8000Hz16bit, QStringLiteral("/dev/full"), "", 0, TonwellFileAscendFailed,
         "Failed to Ascend to Riff Chunk"},
        {"no device", tw8000Hz16bit, good, "", 7, TonwellInOpenError, "Error opening wave input device"},
        {"device open", tw8000Hz16bit, good, "open", 0, TonwellInOpenError, "Error opening wave input device"},
        {"prepare, memory", tw8000Hz16bit, good, "prepare", 0, TonwellRecordPrepareHeaderFailure,
         "No memory preparing wave record headers"},
        {"prepare, other", tw8000Hz16bit, good, "prepare-error", 0, TonwellRecordPrepareHeaderFailure,
         "Failed to prepare wave record headers"},
        {"first queue", tw8000Hz16bit, good, "queue=1", 0, TonwellRecordBufferError,
         "Failed to add wave record buffers"},
        {"second queue", tw8000Hz16bit, good, "queue=2", 0, TonwellRecordBufferError,
         "Failed to add wave record buffers"},
        {"start", tw8000Hz16bit, good, "start", 0, TonwellRecordStartFailed, "Failed to start wave record"},
    };
    for (const Case& c : cases) {
        control->put_RecordFormat(static_cast<TonwellFormatConstants>(c.format));
        control->put_RecordFilename(c.file);
        qputenv("TONWELL_VIRTUAL_FAIL", c.faults);
        EXPECT_EQ(control->Record(c.device), c.code) << c.what;
        auto info = getErrorInfo();
        ASSERT_NE(info, nullptr) << c.what;
        EXPECT_EQ(info->description, QLatin1String(c.description)) << c.what;
        EXPECT_EQ(info->source, QStringLiteral("Tonwell.Tonwell.1"));
        VARIANT_BOOL busy = VARIANT_TRUE;
        control->get_RecordBusy(&busy);
        EXPECT_EQ(busy, VARIANT_FALSE) << c.what;
    }
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(events->lines.isEmpty()) << events->lines.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("no"))));

    // Nothing was left half-open: the next recording runs to its end.
    qputenv("TONWELL_VIRTUAL_FAIL", "vanish");
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_RecordFilename(good);
    ASSERT_EQ(control->Record(0), S_OK);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    EXPECT_EQ(readFile(good), waveBytes(record18(8000, 16), tone16(3200, 8000)));
}

TEST_F(Recording, BufferSizesFollowLengthRateAndFormat) {
    // MPEG Layer-3 at 2000 bytes/s and tag 66 are not recorded by the virtual input, but their
    // buffers are sized before the device is opened.
    const QString mp3 = QStringLiteral("55000100401F0000D0070000010000000C00010002000000480001007105");
    const QString tag66 = QStringLiteral("42000100401F0000E803000018000000");
    struct Case {
        std::int32_t format;
        QString user;
        std::int16_t length;
        std::uint32_t size;
    };
    const Case cases[] = {
        {tw8000Hz16bit, {}, 1, 1600}, {tw8000Hz16bit, {}, 0, 1024},  {tw44100Hz16bit, {}, 10, 10000},
        {tw8000Hz8bit, {}, 1, 1024},  {tw44100Hz8bit, {}, 2, 8820},  {tw11025Hz16bit, {}, 3, 6614},
        {twUserSelect, mp3, 1, 4000}, {twUserSelect, mp3, 30, 4000}, {twUserSelect, tag66, 40, 792},
    };
    control->put_RecordFilename(QString());  // no file: only the buffers matter here
    for (const Case& c : cases) {
        events->lines.clear();
        control->put_RecordFormat(static_cast<TonwellFormatConstants>(c.format));
        if (!c.user.isEmpty()) {
            ASSERT_EQ(control->put_RecordUserFormat(c.user), S_OK);
        }
        control->put_RecordBufferLength(c.length);
        const HRESULT hr = control->Record(0);
        EXPECT_EQ(control->recordBufferSize(), c.size) << c.format << " " << c.user.toStdString() << " " << c.length;
        if (hr == S_OK) {
            control->StopRecord();
            ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
        } else {
            EXPECT_EQ(hr, static_cast<HRESULT>(0x80042010));  // a compressed format this input cannot record
        }
    }
}

TEST_F(Recording, WithoutAFileNothingIsTouchedAndTheEventsStillCome) {
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    writeFile(input, tone16(8000, 16000));  // 0.5 s, then the device goes away
    qputenv("TONWELL_VIRTUAL_FAIL", "vanish");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    control->put_RecordFormat(tw8000Hz16bit);
    ASSERT_EQ(control->Record(0), S_OK);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(silenceEvents(), (QStringList{"Silence 0", "Silence -1"}));
    EXPECT_TRUE(events->lines.contains(QStringLiteral("VUChange 0 48")));  // 16000 has high byte 62
    EXPECT_EQ(events->lines.last(), QStringLiteral("DoneRecord"));
}

TEST_F(Recording, SilenceIsDetectedAfterAQuietPeriodAndCanBeLeftOut) {
    // Tone, 1.5 s of silence, tone, at real-time pace, with a 300 ms silence timer.
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QByteArray first = tone16(9600, 8000), quiet(24000, 0), last = tone16(9600, 8000);
    for (bool deletion : {false, true}) {
        events->lines.clear();
        control->put_RecordFormat(tw8000Hz16bit);
        control->put_SilenceLevel(10);
        control->put_SilenceTimer(300);
        control->put_SilenceDeletion(deletion ? VARIANT_TRUE : VARIANT_FALSE);
        ASSERT_EQ(recordAll(first + quiet + last), S_OK);
        ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
        EXPECT_EQ(silenceEvents(), (QStringList{"Silence 0", "Silence -1", "Silence 0", "Silence -1"})) << deletion;
        const QByteArray file = readFile(target);
        const QByteArray data = file.mid(46);
        ASSERT_EQ(file.left(46), waveBytes(record18(8000, 16), data).left(46));
        if (!deletion) {
            EXPECT_EQ(data, first + quiet + last);
            continue;
        }
        // What was captured before silence was declared stays; the rest of the silence is left out.
        ASSERT_TRUE(data.startsWith(first));
        ASSERT_TRUE(data.endsWith(last));
        const qsizetype kept = data.size() - first.size() - last.size();
        EXPECT_GE(kept, 0);
        EXPECT_LT(kept, quiet.size());
        EXPECT_EQ(kept % 1600, 0);
        EXPECT_EQ(data.mid(first.size(), kept), QByteArray(kept, 0));
    }
}

TEST_F(Recording, StopRecordKeepsWhatTheBuffersHold) {
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QByteArray data = ramp16(160000);  // ten seconds
    writeFile(input, data);
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_RecordBufferLength(10);  // one-second buffers: a stop comes while both are partly full
    control->put_RecordFilename(target);
    EXPECT_EQ(control->StopRecord(), S_OK);  // idle: nothing
    ASSERT_EQ(control->Record(0), S_OK);
    EXPECT_EQ(control->Record(0), S_OK);  // already recording: nothing happens
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(control->StopRecord(), S_OK);
    EXPECT_EQ(control->Record(0), static_cast<HRESULT>(0x80042010));  // still draining
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    const QByteArray file = readFile(target);
    const QByteArray captured = file.mid(46);
    EXPECT_EQ(file, waveBytes(record18(8000, 16), captured));
    EXPECT_GT(captured.size(), 0);
    EXPECT_LT(captured.size(), 16000);
    EXPECT_EQ(captured, data.left(captured.size()));
    EXPECT_EQ(events->lines.mid(events->lines.size() - 3), (QStringList{"VUChange 0 0", "Silence -1", "DoneRecord"}));
}

TEST_F(Recording, PausedRecordingWritesNothingAndIdlePauseIsIgnored) {
    EXPECT_EQ(control->put_RecordPaused(VARIANT_TRUE), S_OK);
    VARIANT_BOOL paused = VARIANT_TRUE;
    control->get_RecordPaused(&paused);
    EXPECT_EQ(paused, VARIANT_FALSE);

    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QByteArray data = ramp16(16000);  // one second
    control->put_RecordFormat(tw8000Hz16bit);
    ASSERT_EQ(recordAll(data), S_OK);
    ASSERT_EQ(control->put_RecordPaused(VARIANT_TRUE), S_OK);
    control->get_RecordPaused(&paused);
    EXPECT_EQ(paused, VARIANT_TRUE);
    // Metering goes on while paused: wait for two level ticks, then resume.
    while (events->lines.filter(QStringLiteral("VUChange")).size() < 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    control->put_RecordPaused(VARIANT_FALSE);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    const QByteArray captured = readFile(target).mid(46);
    EXPECT_GT(captured.size(), 0);
    EXPECT_LT(captured.size(), data.size());
    EXPECT_EQ(captured, data.right(captured.size()));
    control->get_RecordPaused(&paused);
    EXPECT_EQ(paused, VARIANT_FALSE);  // cleared at the end
}

TEST_F(Recording, ARefusedRequeueEndsTheRecordingWithDoneRecord) {
    const QByteArray data = ramp16(16000);
    writeFile(input, data);
    qputenv("TONWELL_VIRTUAL_FAIL", "queue=3");
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_RecordFilename(target);
    ASSERT_EQ(control->Record(0), S_OK);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    // The first buffer could not go back; the second was still filled and written.
    EXPECT_EQ(readFile(target), waveBytes(record18(8000, 16), data.left(3200)));
}

TEST_F(Recording, DestroyingTheControlWhileRecordingClosesAValidFileAndFiresNothing) {
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    writeFile(input, ramp16(160000));
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_RecordFilename(target);
    ASSERT_EQ(control->Record(0), S_OK);
    while (events->lines.filter(QStringLiteral("VUChange")).size() < 3)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    events->lines.clear();
    control.reset();
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(events->lines.isEmpty());
    const QByteArray file = readFile(target);
    ASSERT_GE(file.size(), 46);
    EXPECT_EQ(file, waveBytes(record18(8000, 16), file.mid(46)));
    EXPECT_EQ(file.mid(46), ramp16(160000).left(file.size() - 46));
}

TEST_F(Recording, SilenceTimerRearmsWhileRunning) {
    writeFile(input, QByteArray());
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_SilenceTimer(700);
    ASSERT_EQ(control->Record(0), S_OK);
    EXPECT_EQ(control->messageWindow()->silenceTimer.interval(), 700);
    control->put_SilenceTimer(250);
    EXPECT_EQ(control->messageWindow()->silenceTimer.interval(), 250);
    EXPECT_TRUE(control->messageWindow()->silenceTimer.isActive());
    control->StopRecord();
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    EXPECT_FALSE(control->messageWindow()->silenceTimer.isActive());
    EXPECT_FALSE(control->messageWindow()->levelTimer.isActive());
}

TEST_F(Recording, PlayAndRecordShareTheLevelTick) {
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    writeFile(input, tone16(8000, 16000));  // recording half a second of level 48
    qputenv("TONWELL_VIRTUAL_FAIL", "vanish");
    const QString file =
        makeWave(QStringLiteral("loud.wav"), pcmFormat(8000, 16), tone16(16000, 8000));  // a second of 24
    ASSERT_EQ(playFile(file), S_OK);
    control->put_RecordFormat(tw8000Hz16bit);
    ASSERT_EQ(control->Record(0), S_OK);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    EXPECT_TRUE(events->lines.contains(QStringLiteral("VUChange 24 48")));
    EXPECT_TRUE(control->messageWindow()->levelTimer.isActive());  // playback still meters
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_FALSE(control->messageWindow()->levelTimer.isActive());
    const qsizetype done = events->lines.indexOf(QStringLiteral("DoneRecord"));
    EXPECT_TRUE(events->lines.mid(done).contains(QStringLiteral("VUChange 24 0")));
}

TEST_F(Recording, InputDeviceQuestions) {
    std::int16_t count = 0;
    control->get_WaveInNumDevs(&count);
    EXPECT_EQ(count, 1);
    QString name;
    EXPECT_EQ(control->WaveInGetName(0, &name), S_OK);
    EXPECT_EQ(name, QStringLiteral("Tonwell Virtual Input"));
    EXPECT_EQ(control->WaveInGetName(-1, &name), S_OK);
    EXPECT_EQ(control->WaveInGetName(3, &name), static_cast<HRESULT>(0x80042014));
    EXPECT_EQ(getErrorInfo()->description, QStringLiteral("Failed to get wave in device name"));
    std::int32_t caps = -1;
    EXPECT_EQ(control->WaveInGetCaps(0, &caps), S_OK);
    EXPECT_EQ(caps, 255);
    EXPECT_EQ(control->WaveInGetCaps(3, &caps), S_OK);
    EXPECT_EQ(caps, 0);
}

TEST_F(Recording, UserFormatTextsAreTakenWholeOrRefused) {
    const QString pcm16 = QStringLiteral("01000100401F0000803E0000020010000000");
    control->put_RecordUserFormat(pcm16);  // ignored unless RecordFormat is 256
    QString text;
    control->get_RecordUserFormat(&text);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(control->ShowRecordFormatDialog(0), static_cast<HRESULT>(0x80042018));
    EXPECT_EQ(getErrorInfo()->description, QStringLiteral("Record format not user selectable"));

    control->put_RecordFormat(twUserSelect);
    ASSERT_EQ(control->put_RecordUserFormat(pcm16), S_OK);
    const std::pair<const char*, QString> refused[] = {
        {"odd length", pcm16 + QLatin1Char('0')},
        {"not hexadecimal", QStringLiteral("0100010040XF0000803E0000020010000000")},
        {"a sign", QStringLiteral("+1000100401F0000803E0000020010000000")},
        {"longer than the buffer", pcm16 + QString(200, QLatin1Char('0'))},
        {"extra bytes past the buffer", QStringLiteral("01000100401F0000803E00000200100040FF")},
    };
    for (const auto& [what, value] : refused) {
        EXPECT_EQ(control->put_RecordUserFormat(value), static_cast<HRESULT>(0x80042016)) << what;
        EXPECT_EQ(getErrorInfo()->description, QStringLiteral("Record user format invalid property value"));
        control->get_RecordUserFormat(&text);
        EXPECT_EQ(text, pcm16) << what;
    }
    ASSERT_EQ(control->put_RecordUserFormat(QStringLiteral("01000100112b0000112b0000010008000000")), S_OK);
    control->get_RecordUserFormat(&text);
    EXPECT_EQ(text, QStringLiteral("01000100112B0000112B0000010008000000"));
    QString tag, attributes;
    control->get_RecordTag(&tag);
    control->get_RecordAttributes(&attributes);
    EXPECT_EQ(tag, QStringLiteral("PCM"));
    EXPECT_EQ(attributes, QStringLiteral("11.025 kHz, 8 Bit, Mono"));

    // A user-set PCM format records like a fixed one.
    ASSERT_EQ(recordAll(samples8({1, 2, 3, 200}).repeated(300)), S_OK);
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    EXPECT_EQ(readFile(target), waveBytes(record18(11025, 8), samples8({1, 2, 3, 200}).repeated(300)));
}

TEST_F(Recording, CompressedFormatsAreEncodedFromCapturedPcmByTheCodecManager) {
    // The virtual input captures PCM only: the mapper encodes through the codec manager, and the
    // file holds what one stream over the whole input gives.
    const CodecManager& acm = CodecManager::instance();
    const QByteArray input = ramp16(16000) + tone16(8000, 12000);
    for (std::uint16_t tag :
         {WAVE_FORMAT_ALAW, WAVE_FORMAT_MULAW, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_GSM610, WAVE_FORMAT_MPEGLAYER3}) {
        events->lines.clear();
        WaveFormat f;
        for (const WaveFormat& g : acm.formats(FormatUse::Input))
            if (g.tag == tag && g.samplesPerSec == 8000 && g.channels == 1 && f.tag == 0) f = g;
        ASSERT_EQ(f.tag, tag);
        WaveFormat pcm;
        pcm.tag = WAVE_FORMAT_PCM;
        ASSERT_EQ(acm.suggest(f, &pcm, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_NOERROR);
        ASSERT_EQ(pcm, WaveFormat::pcm(8000, 16));
        std::unique_ptr<CodecStream> stream;
        ASSERT_EQ(acm.openStream(pcm, f, ACM_STREAMOPENF_NONREALTIME, &stream), MMSYSERR_NOERROR);
        std::vector<std::uint8_t> expected;
        std::size_t used = 0;
        stream->convert(
            std::span(reinterpret_cast<const std::uint8_t*>(input.constData()), static_cast<std::size_t>(input.size())),
            ACM_STREAMCONVERTF_END, expected, &used);

        control->put_RecordFormat(twUserSelect);
        ASSERT_EQ(control->put_RecordUserFormat(QString::fromLatin1(bytesOf(f.toBytes()).toHex().toUpper())), S_OK);
        QString tagName;
        control->get_RecordTag(&tagName);
        ASSERT_EQ(recordAll(input), S_OK) << tagName.toStdString();
        ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
        EXPECT_EQ(readFile(target), waveBytes(bytesOf(f.toBytes()), bytesOf(expected))) << tagName.toStdString();
        EXPECT_TRUE(silenceEvents() == QStringList{"Silence -1"});  // no metering of compressed audio
    }
}

TEST_F(Recording, TheFormatDialogStartsFromTheCurrentFormatAndSetsTheChoice) {
    control->put_RecordFormat(twUserSelect);
    ASSERT_EQ(control->put_RecordUserFormat(QStringLiteral("01000100401F0000803E0000020010000000")), S_OK);
    QString shownTag, shownTitle;
    auto answer = [&](bool accept, const QString& tag) {
        QTimer::singleShot(0, [=, &shownTag, &shownTitle] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            shownTitle = dialog->windowTitle();
            auto* tags = dialog->findChild<QComboBox*>(QStringLiteral("formatTag"));
            shownTag = tags->currentText();
            tags->setCurrentIndex(tags->findText(tag));
            dialog->findChild<QComboBox*>(QStringLiteral("formatAttributes"))->setCurrentIndex(0);
            accept ? dialog->accept() : dialog->reject();
        });
    };
    answer(true, QStringLiteral("GSM 6.10"));
    ASSERT_EQ(control->ShowRecordFormatDialog(0), S_OK);
    EXPECT_EQ(shownTitle, QStringLiteral("Choose Required Record Format"));
    EXPECT_EQ(shownTag, QStringLiteral("PCM"));
    const WaveFormat gsm = CodecManager::instance().driver(WAVE_FORMAT_GSM610)->formats()[0];
    QString text, tag, attributes;
    control->get_RecordUserFormat(&text);
    control->get_RecordTag(&tag);
    control->get_RecordAttributes(&attributes);
    EXPECT_EQ(text, QString::fromLatin1(bytesOf(gsm.toBytes()).toHex().toUpper()));
    EXPECT_EQ(tag, QStringLiteral("GSM 6.10"));
    EXPECT_EQ(attributes, CodecManager::instance().driver(WAVE_FORMAT_GSM610)->describe(gsm));

    answer(false, QStringLiteral("PCM"));  // Cancel: S_OK, nothing changes
    ASSERT_EQ(control->ShowRecordFormatDialog(0), S_OK);
    EXPECT_EQ(shownTag, QStringLiteral("GSM 6.10"));
    control->get_RecordUserFormat(&text);
    EXPECT_EQ(text, QString::fromLatin1(bytesOf(gsm.toBytes()).toHex().toUpper()));
}
