// Playback on the virtual device: opening errors, buffer sizes, gain, events, stop, pause,
// faults and the device mapper.
#include "helpers.h"
#include "message_window.h"

#include <cmath>
#include <lame/lame.h>

using namespace tonwell;
using namespace tonwell::testing;
using namespace component;

namespace {

QByteArray ramp8(int n) {
    QByteArray d;
    for (int i = 0; i < n; ++i) d.append(static_cast<char>((i * 7) & 0xFF));
    return d;
}

QByteArray ramp16(int samples) {
    QByteArray d;
    for (int i = 0; i < samples; ++i) {
        const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 997) % 65536 - 32768));
        d.append(static_cast<char>(s & 0xFF));
        d.append(static_cast<char>(s >> 8));
    }
    return d;
}

// The volume stage computed the plain way, as a listener would expect it.
QByteArray expectedAfterGain(const QByteArray& in, int bits, float g) {
    QByteArray out = in;
    if (bits == 8) {
        for (auto& c : out) {
            const int v = std::clamp(static_cast<int>(std::trunc((static_cast<std::uint8_t>(c) - 128) * g)), -128, 127);
            c = static_cast<char>(v + 128);
        }
    } else {
        for (qsizetype i = 0; i + 1 < out.size(); i += 2) {
            const auto s = static_cast<std::int16_t>(static_cast<std::uint8_t>(out[i]) |
                                                     (static_cast<std::uint8_t>(out[i + 1]) << 8));
            const int v = std::clamp(static_cast<int>(std::trunc(s * g)), -32768, 32767);
            out[i] = static_cast<char>(v & 0xFF);
            out[i + 1] = static_cast<char>((v >> 8) & 0xFF);
        }
    }
    return out;
}

}  // namespace

using Playback = VirtualDevice;

TEST_F(Playback, OpeningErrorsGiveTheirCodeAndDescription) {
    const QByteArray fmt = pcmFormat(8000, 8);
    struct Case {
        const char* name;
        QByteArray bytes;  // null: no file at all
        HRESULT code;
        const char* description;
    };
    const QByteArray riffWave("WAVE");
    const Case cases[] = {
        {"missing", QByteArray(), TonwellPlayFileOpenFailed, "Failed to open play file"},
        {"empty", QByteArray(""), TonwellInvalidAudioFile, "Not a valid wave audio file"},
        {"text", QByteArray("just some words, not audio\n"), TonwellInvalidAudioFile, "Not a valid wave audio file"},
        {"other form", chunk("RIFF", QByteArray("AVI ") + chunk("fmt ", fmt)), TonwellInvalidAudioFile,
         "Not a valid wave audio file"},
        {"no fmt", chunk("RIFF", riffWave + chunk("data", "abc")), TonwellDamagedAudioFile, "Damaged wave audio file"},
        {"truncated fmt", chunk("RIFF", riffWave + chunk("fmt ", fmt)).left(30), TonwellFileErrorReadingFormat,
         "Error reading format of wave audio file"},
        {"oversize fmt", chunk("RIFF", riffWave + chunk("fmt ", QByteArray(65535, 1)) + chunk("data", "ab")),
         TonwellFileErrorReadingFormat, "Error reading format of wave audio file"},
        {"data before fmt", chunk("RIFF", riffWave + chunk("data", "abcd") + chunk("fmt ", fmt)),
         TonwellFileWaveDataError, "Unable to find data in wave audio file"},
        {"no data", chunk("RIFF", riffWave + chunk("fmt ", fmt) + chunk("LIST", "INFO")), TonwellFileWaveDataError,
         "Unable to find data in wave audio file"},
    };
    for (const Case& c : cases) {
        const QString file = path(QLatin1String(c.name));
        if (!c.bytes.isNull()) {
            ASSERT_TRUE(writeFile(file, c.bytes));
        }
        control->put_PlayFilename(file);  // may fail too; Play opens the file again
        getErrorInfo();
        EXPECT_EQ(control->Play(0), c.code) << c.name;
        auto info = getErrorInfo();
        ASSERT_NE(info, nullptr) << c.name;
        EXPECT_EQ(info->description, QLatin1String(c.description)) << c.name;
        EXPECT_EQ(info->source, QStringLiteral("Tonwell.Tonwell.1"));
        VARIANT_BOOL busy = VARIANT_TRUE;
        control->get_PlayBusy(&busy);
        EXPECT_EQ(busy, VARIANT_FALSE) << c.name;
    }
    EXPECT_TRUE(events->lines.isEmpty());
}

TEST_F(Playback, DeviceOpenAndPrepareFailuresCarryTheDeviceText) {
    const QString file = makeWave(QStringLiteral("a.wav"), pcmFormat(8000, 8), ramp8(4000));
    const std::tuple<const char*, HRESULT, MMRESULT> cases[] = {
        {"open", TonwellOutOpenError, MMSYSERR_ALLOCATED}, {"prepare", TonwellPrepareHeaderFailure, MMSYSERR_NOMEM}};
    for (auto [fault, code, device] : cases) {
        qputenv("TONWELL_VIRTUAL_FAIL", fault);
        EXPECT_EQ(playFile(file), code) << fault;
        auto info = getErrorInfo();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->description, waveErrorText(device));
    }
    qunsetenv("TONWELL_VIRTUAL_FAIL");
    EXPECT_EQ(control->Play(5), static_cast<HRESULT>(0x80042007));  // no such device
    EXPECT_EQ(getErrorInfo()->description, waveErrorText(MMSYSERR_BADDEVICEID));
    EXPECT_EQ(control->Play(0), S_OK);  // nothing was left half-open
    EXPECT_TRUE(waitForDonePlay());
}

TEST_F(Playback, SetterReadsTheFormatAndKeepsTheNameOnFailure) {
    const QString file = makeWave(QStringLiteral("a.wav"), pcmFormat(8000, 16), ramp16(100));
    EXPECT_EQ(control->put_PlayFilename(file), S_OK);
    QString tag, attributes, name;
    control->get_PlayTag(&tag);
    control->get_PlayAttributes(&attributes);
    EXPECT_EQ(tag, QStringLiteral("PCM"));
    EXPECT_EQ(attributes, QStringLiteral("8.000 kHz, 16 Bit, Mono"));
    const QString text = path(QStringLiteral("notes.txt"));
    writeFile(text, "hello");
    EXPECT_EQ(control->put_PlayFilename(text), static_cast<HRESULT>(0x80042002));
    control->get_PlayFilename(&name);
    EXPECT_EQ(name, text);
    control->get_PlayTag(&tag);
    EXPECT_EQ(tag, QStringLiteral("PCM"));  // the previous description stays
}

TEST_F(Playback, BufferSizeFollowsLengthRateAndBlockAlign) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits, channels;
        std::int16_t length;
        std::uint32_t size;
    };
    const Case cases[] = {
        {44100, 16, 1, 2, 10000}, {8000, 8, 1, 0, 1024},   {8000, 16, 1, 2, 3200},
        {8000, 16, 2, 3, 9600},   {11025, 16, 2, 1, 4408},
    };
    for (const Case& c : cases) {
        events->lines.clear();
        const QString file =
            makeWave(QStringLiteral("b.wav"), pcmFormat(c.rate, c.bits, c.channels), QByteArray(64, 0));
        control->put_PlayBufferLength(c.length);
        ASSERT_EQ(playFile(file), S_OK);
        EXPECT_EQ(control->playBufferSize(), c.size) << c.rate << "/" << c.bits << "/" << c.channels;
        EXPECT_TRUE(waitForDonePlay());
    }
}

TEST_F(Playback, VolumeShapesTheBytesPlayed) {
    const QByteArray data8 = ramp8(3000), data16 = ramp16(3000);
    for (int bits : {8, 16}) {
        const QByteArray& data = bits == 8 ? data8 : data16;
        const QString file = makeWave(QStringLiteral("v.wav"), pcmFormat(8000, static_cast<std::uint16_t>(bits)), data);
        for (std::int16_t volume : {-100, 0, 100}) {
            QFile::remove(out);
            events->lines.clear();
            control->put_PlayVolume(volume);
            ASSERT_EQ(playFile(file), S_OK);
            ASSERT_TRUE(waitForDonePlay());
            const QByteArray played = this->played();
            EXPECT_EQ(played, expectedAfterGain(data, bits, gainFor(volume))) << bits << " bit, volume " << volume;
            if (volume == -100) {
                EXPECT_EQ(played, QByteArray(data.size(), bits == 8 ? char(128) : char(0)));
            }
        }
    }
}

TEST_F(Playback, LevelTicksComeBeforeTheFinalVUChangeAndDonePlay) {
    // A full-scale positive square wave: every tick that sees it reports level 99.
    QByteArray data;
    for (int i = 0; i < 16000; ++i) data.append(i % 2 ? QByteArray("\xff\x7f", 2) : QByteArray("\x00\x00", 2));
    qputenv("TONWELL_VIRTUAL_PACE", "2");
    const QString file = makeWave(QStringLiteral("tick.wav"), pcmFormat(8000, 16), data);
    VARIANT_BOOL busyAtDone = VARIANT_TRUE;
    events->onEvent = [&](const QString& line) {
        if (line == QLatin1String("DonePlay")) control->get_PlayBusy(&busyAtDone);
    };
    ASSERT_EQ(playFile(file), S_OK);
    ASSERT_TRUE(waitForDonePlay());
    const QStringList lines = events->lines;
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.last(), QStringLiteral("DonePlay"));
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("VUChange 0 0"));
    EXPECT_TRUE(lines.mid(0, lines.size() - 2).contains(QStringLiteral("VUChange 99 0")));
    for (const QString& l : lines.mid(0, lines.size() - 2))
        EXPECT_TRUE(l.startsWith(QLatin1String("VUChange "))) << l.toStdString();
    EXPECT_EQ(busyAtDone, VARIANT_FALSE);
    EXPECT_EQ(played(), data);
}

TEST_F(Playback, StereoPlaysUnchangedWithoutLevelTicks) {
    qputenv("TONWELL_VIRTUAL_PACE", "2");
    const QByteArray data = ramp16(8000);  // 0.5 s of 8 kHz stereo
    const QString file = makeWave(QStringLiteral("stereo.wav"), pcmFormat(8000, 16, 2), data);
    control->put_PlayVolume(100);
    ASSERT_EQ(playFile(file), S_OK);
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_EQ(events->lines, (QStringList{"VUChange 0 0", "DonePlay"}));
    EXPECT_EQ(played(), data);
}

TEST_F(Playback, StopPlayWhileIdleAndWhilePlaying) {
    EXPECT_EQ(control->StopPlay(), S_OK);
    QCoreApplication::processEvents();
    EXPECT_TRUE(events->lines.isEmpty());

    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QByteArray data = ramp16(80000);  // ten seconds
    const QString file = makeWave(QStringLiteral("long.wav"), pcmFormat(8000, 16), data);
    ASSERT_EQ(playFile(file), S_OK);
    EXPECT_EQ(control->Play(0), S_OK);  // already playing: nothing happens
    QElapsedTimer guard;
    guard.start();
    while (played().isEmpty() && guard.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(control->StopPlay(), S_OK);
    // Between StopPlay and DonePlay a new start is refused, never mixed with the old buffers.
    EXPECT_EQ(control->Play(0), static_cast<HRESULT>(0x80042007));
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_EQ(events->lines.mid(events->lines.size() - 2), (QStringList{"VUChange 0 0", "DonePlay"}));
    EXPECT_LT(played().size(), data.size());
    EXPECT_EQ(played(), data.left(played().size()));
    events->lines.clear();
    EXPECT_EQ(control->StopPlay(), S_OK);
    QCoreApplication::processEvents();
    EXPECT_TRUE(events->lines.isEmpty());
}

TEST_F(Playback, EmptyDataChunkEndsAtOnce) {
    const QString file = makeWave(QStringLiteral("empty.wav"), pcmFormat(8000, 16), QByteArray());
    ASSERT_EQ(playFile(file), S_OK);
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_EQ(events->lines, (QStringList{"VUChange 0 0", "DonePlay"}));
    EXPECT_TRUE(played().isEmpty());
}

TEST_F(Playback, PauseWhileIdleChangesNothingAndAFailedPauseReportsTheDevice) {
    EXPECT_EQ(control->put_PlayPaused(VARIANT_TRUE), S_OK);
    VARIANT_BOOL paused = VARIANT_TRUE;
    control->get_PlayPaused(&paused);
    EXPECT_EQ(paused, VARIANT_FALSE);

    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QString file = makeWave(QStringLiteral("p.wav"), pcmFormat(8000, 16), ramp16(40000));
    ASSERT_EQ(playFile(file), S_OK);
    EXPECT_EQ(control->put_PlayPaused(VARIANT_TRUE), S_OK);
    control->get_PlayPaused(&paused);
    EXPECT_EQ(paused, VARIANT_TRUE);
    EXPECT_EQ(control->put_PlayPaused(VARIANT_FALSE), S_OK);
    control->get_PlayPaused(&paused);
    EXPECT_EQ(paused, VARIANT_FALSE);
    control->StopPlay();
    ASSERT_TRUE(waitForDonePlay());

    events->lines.clear();
    qputenv("TONWELL_VIRTUAL_FAIL", "pause");
    ASSERT_EQ(playFile(file), S_OK);
    EXPECT_EQ(control->put_PlayPaused(VARIANT_TRUE), static_cast<HRESULT>(0x80042017));
    EXPECT_EQ(getErrorInfo()->description, waveErrorText(MMSYSERR_NOTSUPPORTED));
    control->get_PlayPaused(&paused);
    EXPECT_EQ(paused, VARIANT_TRUE);  // set before the device call, as documented
    control->StopPlay();
    ASSERT_TRUE(waitForDonePlay());
}

TEST_F(Playback, ADeviceThatFailsMidPlayEndsWithDonePlay) {
    qputenv("TONWELL_VIRTUAL_FAIL", "write=3");
    const QByteArray data = ramp16(8000);
    const QString file = makeWave(QStringLiteral("f.wav"), pcmFormat(8000, 16), data);
    ASSERT_EQ(playFile(file), S_OK);
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_EQ(events->lines.last(), QStringLiteral("DonePlay"));
    EXPECT_EQ(played(), data.left(2 * 3200));  // the two primed buffers
}

TEST_F(Playback, DestroyingTheControlWhilePlayingFiresNothing) {
    qputenv("TONWELL_VIRTUAL_PACE", "1");
    const QString file = makeWave(QStringLiteral("d.wav"), pcmFormat(8000, 16), ramp16(80000));
    ASSERT_EQ(playFile(file), S_OK);
    QCoreApplication::processEvents();
    control.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(events->lines.filter(QStringLiteral("DonePlay")).isEmpty());
}

TEST_F(Playback, CompressedFilesPlayThroughTheMapper) {
    struct Case {
        const char* file;
        const char* tag;
        const char* attributes;
    };
    const Case cases[] = {
        {"alaw", "CCITT A-Law", "8.000 kHz, 8 Bit, Mono"},
        {"ulaw", "CCITT u-Law", "8.000 kHz, 8 Bit, Mono"},
        {"gsm", "GSM 6.10", "8.000 kHz, Mono"},
        {"ima", "IMA ADPCM", "8.000 kHz, 4 Bit, Mono"},
    };
    for (const Case& c : cases) {
        QFile::remove(out);
        events->lines.clear();
        const QString base = QStringLiteral(TONWELL_TEST_DATA "/") + QLatin1String(c.file);
        control->put_PlayVolume(100);  // no effect on compressed material
        ASSERT_EQ(playFile(base + QStringLiteral(".wav")), S_OK) << c.file;
        QString tag, attributes;
        control->get_PlayTag(&tag);
        control->get_PlayAttributes(&attributes);
        EXPECT_EQ(tag, QLatin1String(c.tag));
        EXPECT_EQ(attributes, QLatin1String(c.attributes));
        ASSERT_TRUE(waitForDonePlay()) << c.file;
        EXPECT_EQ(events->lines, (QStringList{"VUChange 0 0", "DonePlay"})) << c.file;
        EXPECT_EQ(played(), readFile(base + QStringLiteral(".raw"))) << c.file;
    }
}

TEST_F(Playback, OutputDeviceQuestions) {
    std::int16_t count = 0;
    control->get_WaveOutNumDevs(&count);
    EXPECT_EQ(count, 1);
    QString name;
    EXPECT_EQ(control->WaveOutGetName(0, &name), S_OK);
    EXPECT_EQ(name, QStringLiteral("Tonwell Virtual Output"));
    EXPECT_EQ(control->WaveOutGetName(3, &name), static_cast<HRESULT>(0x80042015));
    EXPECT_EQ(getErrorInfo()->description, QStringLiteral("Failed to get wave out device name"));
    std::int32_t caps = -1;
    EXPECT_EQ(control->WaveOutGetCaps(0, &caps), S_OK);
    EXPECT_EQ(caps, 255);
    EXPECT_EQ(control->WaveOutGetCaps(3, &caps), S_OK);
    EXPECT_EQ(caps, 0);
}

TEST_F(Playback, TheFirstPlayMakesTheHiddenWindow) {
    EXPECT_EQ(control->messageWindow(), nullptr);
    const QString file = makeWave(QStringLiteral("w.wav"), pcmFormat(8000, 8), QByteArray());
    control->put_PlayFilename(file);
    control->Play(0);
    ASSERT_NE(control->messageWindow(), nullptr);
    EXPECT_EQ(control->messageWindow()->objectName(), QStringLiteral("TonwellAtlWindow"));
    EXPECT_TRUE(waitForDonePlay());
}

TEST_F(Playback, Mp3MadeByLamePlaysThroughTheMapper) {
    // One second of a 440 Hz tone, encoded by lame at 16 kbit/s.
    std::vector<short> tone(8000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<short>(12000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 8000));
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, 8000);
    lame_set_out_samplerate(lame, 8000);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 16);
    lame_set_bWriteVbrTag(lame, 0);
    ASSERT_EQ(lame_init_params(lame), 0);
    std::vector<unsigned char> mp3(16384);
    int n = lame_encode_buffer(lame, tone.data(), tone.data(), static_cast<int>(tone.size()), mp3.data(),
                               static_cast<int>(mp3.size()));
    ASSERT_GE(n, 0);
    const int tail = lame_encode_flush(lame, mp3.data() + n, static_cast<int>(mp3.size()) - n);
    ASSERT_GE(tail, 0);
    lame_close(lame);
    mp3.resize(static_cast<std::size_t>(n + tail));

    WaveFormat f;
    f.tag = WAVE_FORMAT_MPEGLAYER3;
    f.channels = 1;
    f.samplesPerSec = 8000;
    f.avgBytesPerSec = 2000;
    f.blockAlign = 1;
    f.extra = {1, 0, 2, 0, 0, 0, 72, 0, 1, 0, 0x71, 0x05};  // wID, flags, block size, frames per block, delay
    const auto record = f.toBytes();
    const QString file =
        makeWave(QStringLiteral("tone.mp3.wav"), QByteArray(reinterpret_cast<const char*>(record.data()), 30),
                 QByteArray(reinterpret_cast<const char*>(mp3.data()), static_cast<qsizetype>(mp3.size())));
    ASSERT_EQ(playFile(file), S_OK);
    QString tag, attributes;
    control->get_PlayTag(&tag);
    control->get_PlayAttributes(&attributes);
    EXPECT_EQ(tag, QStringLiteral("MPEG Layer-3"));
    EXPECT_EQ(attributes, QStringLiteral("16 kBit/s, 8,000 Hz, Mono"));
    ASSERT_TRUE(waitForDonePlay());
    EXPECT_EQ(events->lines, (QStringList{"VUChange 0 0", "DonePlay"}));

    const QByteArray pcm = played();
    const qsizetype samples = pcm.size() / 2;
    EXPECT_GT(samples, 6000);  // about a second, less what the decoder holds back
    EXPECT_LT(samples, 10000);
    int crossings = 0;
    for (qsizetype i = 1; i < samples; ++i) {
        auto at = [&](qsizetype k) {
            return static_cast<std::int16_t>(static_cast<std::uint8_t>(pcm[2 * k]) |
                                             (static_cast<std::uint8_t>(pcm[2 * k + 1]) << 8));
        };
        if ((at(i - 1) < 0) != (at(i) < 0)) ++crossings;
    }
    const double hz = crossings / 2.0 / (static_cast<double>(samples) / 8000);
    EXPECT_NEAR(hz, 440, 30);
}

TEST(AlsaPlayback, PlaysOnAlsasNullDevice) {
    qunsetenv("TONWELL_AUDIO");
    QTemporaryDir dir;
    auto control = std::make_shared<Tonwell>();
    control->setClientSite(std::make_shared<SimpleSite>(true));
    control->initNew();
    auto events = std::make_shared<EventLog>(control->typeInfo());
    std::uint32_t cookie = 0;
    control->advise(events, &cookie);
    std::int16_t count = 0;
    control->get_WaveOutNumDevs(&count);
    int device = -2;
    for (std::int16_t i = 0; i < count && device == -2; ++i) {
        QString name;
        if (SUCCEEDED(control->WaveOutGetName(i, &name)) && name.startsWith(QLatin1String("Discard all samples")))
            device = i;
    }
    if (device == -2) GTEST_SKIP() << "ALSA lists no null device here";
    const QString file = dir.filePath(QStringLiteral("n.wav"));
    writeFile(file, waveBytes(pcmFormat(8000, 16), QByteArray(16000, 1)));
    ASSERT_EQ(control->put_PlayFilename(file), S_OK);
    ASSERT_EQ(control->Play(device), S_OK);
    QElapsedTimer guard;
    guard.start();
    while (!events->lines.contains(QStringLiteral("DonePlay")) && guard.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(events->lines.last(), QStringLiteral("DonePlay"));
    getErrorInfo();
}

TEST_F(Playback, DamagedButReadableFilesPlayWhatTheyHold) {
    const QByteArray fmt = pcmFormat(8000, 8);
    const QByteArray audio = ramp8(2000);
    QByteArray hugeRiff = waveBytes(fmt, audio);
    hugeRiff.replace(4, 4, QByteArray("\xff\xff\xff\xff", 4));  // a 4 GB RIFF size field
    QByteArray truncated = waveBytes(fmt, audio);
    truncated.chop(500);  // the data chunk ends early
    const QByteArray oddChunk =
        chunk("RIFF", QByteArray("WAVE") + chunk("note", "odd") + chunk("fmt ", fmt) + chunk("data", audio));
    const std::tuple<const char*, QByteArray, QByteArray> cases[] = {
        {"4 GB RIFF size", hugeRiff, audio},
        {"truncated data", truncated, audio.left(audio.size() - 500)},
        {"odd chunk before fmt", oddChunk, audio},
    };
    for (const auto& [name, bytes, expected] : cases) {
        QFile::remove(out);
        events->lines.clear();
        const QString file = path(QStringLiteral("damaged.wav"));
        ASSERT_TRUE(writeFile(file, bytes));
        ASSERT_EQ(playFile(file), S_OK) << name;
        ASSERT_TRUE(waitForDonePlay()) << name;
        EXPECT_EQ(played(), expected) << name;
    }
}

TEST_F(Playback, AHostMayLetGoOfTheControlFromItsEvents) {
    // From a level tick during play, and from DonePlay: the control goes away with no crash and
    // no further events.
    qputenv("TONWELL_VIRTUAL_PACE", "2");
    QByteArray loud;
    for (int i = 0; i < 8000; ++i) loud.append(QByteArray("\x00\x40", 2));
    const QString file = makeWave(QStringLiteral("e.wav"), pcmFormat(8000, 16), loud);
    for (const char* when : {"VUChange 50 0", "DonePlay"}) {
        auto t = std::make_shared<Tonwell>();
        t->setClientSite(site);
        t->initNew();
        auto log = std::make_shared<EventLog>(t->typeInfo());
        bool gone = false;
        log->onEvent = [&, when](const QString& line) {
            if (line == QLatin1String(when) && t) {
                t.reset();
                gone = true;
            }
        };
        std::uint32_t cookie = 0;
        t->advise(log, &cookie);
        ASSERT_EQ(t->put_PlayFilename(file), S_OK);
        ASSERT_EQ(t->Play(0), S_OK);
        QElapsedTimer guard;
        guard.start();
        while (!gone && guard.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ASSERT_TRUE(gone) << when;
        const qsizetype seen = log->lines.size();
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(log->lines.size(), seen) << when;
        EXPECT_EQ(log->lines.last(), QLatin1String(when));
    }
}
