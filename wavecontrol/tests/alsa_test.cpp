// Playback and recording on ALSA without a sound card, through PCMs of ALSA's own "file" plugin
// over "null", defined in this test's configuration: played frames land in a file, captured
// frames come from one.
#include "helpers.h"

#include <alsa/asoundlib.h>

using namespace tonwell;
using namespace tonwell::testing;
using namespace component;

namespace {

QByteArray ramp16(qsizetype bytes) {
    QByteArray d;
    for (int i = 0; d.size() < bytes; ++i) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 523) % 30000 - 15000));
        d.append(static_cast<char>(u & 0xFF));
        d.append(static_cast<char>(u >> 8));
    }
    return d;
}

class AlsaPlugins : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        played = dir.filePath(QStringLiteral("played.raw"));
        input = dir.filePath(QStringLiteral("input.raw"));
        const QString conf = dir.filePath(QStringLiteral("asound.conf"));
        const QString text =
            QStringLiteral(
                "</usr/share/alsa/alsa.conf>\n"
                "pcm.tonwell_play { type file slave.pcm \"null\" file \"%1\" format \"raw\"\n"
                "  hint { show on description \"Tonwell test playback\" } }\n"
                "pcm.tonwell_capture { type file slave.pcm \"null\" file \"/dev/null\" infile \"%2\" format \"raw\"\n"
                "  hint { show on description \"Tonwell test capture\" } }\n"
                "pcm.tonwell_absent { type hw card 97\n"
                "  hint { show on description \"Tonwell absent card\" } }\n")
                .arg(played, input);
        ASSERT_TRUE(writeFile(conf, text.toUtf8()));
        qputenv("ALSA_CONFIG_PATH", conf.toLocal8Bit());
        snd_config_update_free_global();  // read the configuration afresh
        qunsetenv("TONWELL_AUDIO");
        control = std::make_shared<Tonwell>();
        control->setClientSite(std::make_shared<SimpleSite>(true));
        ASSERT_EQ(control->initNew(), S_OK);
        events = std::make_shared<EventLog>(control->typeInfo());
        std::uint32_t cookie = 0;
        ASSERT_EQ(control->advise(events, &cookie), S_OK);
    }
    void TearDown() override {
        control.reset();
        qunsetenv("ALSA_CONFIG_PATH");
        snd_config_update_free_global();
        getErrorInfo();
    }

    // The index of the device ALSA lists with this description, or -2.
    int device(bool output, const char* description) {
        std::int16_t count = 0;
        output ? control->get_WaveOutNumDevs(&count) : control->get_WaveInNumDevs(&count);
        for (std::int16_t i = 0; i < count; ++i) {
            QString name;
            const HRESULT hr = output ? control->WaveOutGetName(i, &name) : control->WaveInGetName(i, &name);
            if (SUCCEEDED(hr) && name == QLatin1String(description)) return i;
        }
        return -2;
    }

    bool waitFor(const QString& line) {
        QElapsedTimer guard;
        guard.start();
        while (!events->lines.contains(line) && guard.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return events->lines.contains(line);
    }

    QTemporaryDir dir;
    QString played, input;
    std::shared_ptr<Tonwell> control;
    std::shared_ptr<EventLog> events;
};

}  // namespace

TEST_F(AlsaPlugins, PlaybackDeliversEveryFrameBeforeDonePlay) {
    const int out = device(true, "Tonwell test playback");
    ASSERT_GE(out, 0);
    struct Case {
        const char* what;
        qsizetype bytes;
        std::int16_t bufferLength;
    };
    const Case cases[] = {
        {"50 ms, shorter than ALSA's ring", 800, 2},
        {"1.3 s ending in a short buffer", 20802, 2},
        {"0.7 s in 1024-byte buffers", 11200, 0},
    };
    for (const Case& c : cases) {
        QFile::remove(played);
        events->lines.clear();
        const QByteArray data = ramp16(c.bytes);
        const QString file = dir.filePath(QStringLiteral("p.wav"));
        ASSERT_TRUE(writeFile(file, waveBytes(pcmFormat(8000, 16), data)));
        QByteArray atDonePlay;
        events->onEvent = [&](const QString& line) {
            if (line == QLatin1String("DonePlay")) atDonePlay = readFile(played);
        };
        control->put_PlayBufferLength(c.bufferLength);
        ASSERT_EQ(control->put_PlayFilename(file), S_OK);
        ASSERT_EQ(control->Play(out), S_OK) << c.what;
        ASSERT_TRUE(waitFor(QStringLiteral("DonePlay"))) << c.what;
        EXPECT_EQ(atDonePlay.size(), data.size()) << c.what;
        EXPECT_EQ(atDonePlay, data) << c.what;
    }
}

TEST_F(AlsaPlugins, RecordingCapturesWhatTheDeviceDelivers) {
    const int in = device(false, "Tonwell test capture");
    ASSERT_GE(in, 0);
    // The null device under the plugin delivers as fast as it is read: the input file, then
    // whatever the plugin's ring still holds. A short run begins with the whole input.
    const QByteArray data = ramp16(8000);
    ASSERT_TRUE(writeFile(input, data));
    const QString target = dir.filePath(QStringLiteral("r.wav"));
    control->put_RecordFormat(tw8000Hz16bit);
    control->put_RecordFilename(target);
    ASSERT_EQ(control->Record(in), S_OK);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    control->StopRecord();
    ASSERT_TRUE(waitFor(QStringLiteral("DoneRecord")));
    const QByteArray file = readFile(target);
    const QByteArray captured = file.mid(46);
    const std::vector<std::uint8_t> format = WaveFormat::pcm(8000, 16).toBytes();
    EXPECT_EQ(file, waveBytes(QByteArray(reinterpret_cast<const char*>(format.data()), 18), captured));
    ASSERT_GE(captured.size(), data.size());
    EXPECT_EQ(captured.left(data.size()), data);
}

TEST_F(AlsaPlugins, ADeviceThatCannotOpenStillHasItsNameAndFailsAtOnce) {
    for (bool output : {true, false}) {
        const int id = device(output, "Tonwell absent card");
        ASSERT_GE(id, 0) << output;
        std::int32_t caps = -1;
        EXPECT_EQ(output ? control->WaveOutGetCaps(static_cast<std::int16_t>(id), &caps)
                         : control->WaveInGetCaps(static_cast<std::int16_t>(id), &caps),
                  S_OK);
        EXPECT_EQ(caps, 0);
    }
    const QString file = dir.filePath(QStringLiteral("a.wav"));
    writeFile(file, waveBytes(pcmFormat(8000, 16), ramp16(1600)));
    control->put_PlayFilename(file);
    EXPECT_EQ(control->Play(device(true, "Tonwell absent card")), static_cast<HRESULT>(0x80042007));
    control->put_RecordFormat(tw8000Hz16bit);
    EXPECT_EQ(control->Record(device(false, "Tonwell absent card")), static_cast<HRESULT>(0x80042010));
    EXPECT_EQ(getErrorInfo()->description, QStringLiteral("Error opening wave input device"));
}
