// Playback cost of the Tonwell control on the virtual device.
//
// For each format: the CPU time the whole process spends per second of audio while a 60-second
// file plays at pace 100 (the control's refill, gain and metering, the posted messages, the
// device thread and, for compressed files, the mapper's decoding), and the same as a share of
// one core at real-time pace. Then the time from Play to the first buffer written to the device
// (Play plus the delivery of its two priming messages).
//
// Conversion: an hour (--minutes N to change it) of PCM 8 kHz 16-bit mono to GSM 6.10, A-law and
// MP3, and of 44.1 kHz stereo to 8 kHz mono PCM, by the conversion worker and by sox, side by
// side: wall time, the ratio, and the peak memory of each. `--convert` runs only this part.
#include "component/events.h"
#include "convert/conversion.h"
#include "platform/codecs/codec.h"
#include "component/site.h"
#include "tonwell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tonwell;
using namespace component;

namespace {

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray c(id, 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) c.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    c.append(body);
    if (n & 1) c.append('\0');
    return c;
}

QByteArray record(const WaveFormat& f) {
    const auto b = f.toBytes();
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// The fmt and data chunks of a reference file, its data repeated to `seconds`.
bool stretch(const QString& from, double seconds, QByteArray* fmt, QByteArray* data) {
    QFile f(from);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = f.readAll();
    const qsizetype fmtAt = all.indexOf("fmt "), dataAt = all.indexOf("data");
    if (fmtAt < 0 || dataAt < 0) return false;
    auto size = [&](qsizetype at) {
        return static_cast<qsizetype>(static_cast<std::uint8_t>(all[at + 4]) |
                                      (static_cast<std::uint8_t>(all[at + 5]) << 8) |
                                      (static_cast<std::uint8_t>(all[at + 6]) << 16));
    };
    *fmt = all.mid(fmtAt + 8, size(fmtAt));
    const WaveFormat wf = WaveFormat::fromBytes(
        std::span(reinterpret_cast<const std::uint8_t*>(fmt->constData()), static_cast<std::size_t>(fmt->size())));
    QByteArray one = all.mid(dataAt + 8, size(dataAt));
    one.chop(one.size() % std::max<int>(1, wf.blockAlign));
    data->clear();
    while (data->size() < static_cast<qsizetype>(seconds * wf.avgBytesPerSec)) data->append(one);
    return true;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct DoneSink : EventSink {
    bool done = false;
    void invoke(DISPID id, std::span<const Variant>) override {
        if (id == 1) done = true;
    }
};

struct Player {
    std::shared_ptr<Tonwell> control = std::make_shared<Tonwell>();
    std::shared_ptr<DoneSink> sink = std::make_shared<DoneSink>();
    Player() {
        control->setClientSite(std::make_shared<SimpleSite>(true));
        control->initNew();
        std::uint32_t cookie = 0;
        control->advise(sink, &cookie);
    }
    bool play(const QString& file) {
        sink->done = false;
        if (FAILED(control->put_PlayFilename(file)) || FAILED(control->Play(0))) return false;
        while (!sink->done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return true;
    }
};

}  // namespace

// A wave file of a 440 Hz tone, written a second at a time.
void writeTone(const QString& path, const WaveFormat& f, int seconds) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const std::uint32_t size = f.avgBytesPerSec * static_cast<std::uint32_t>(seconds);
    QByteArray header = chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", record(f).left(16)) + chunk("data", {}));
    auto put32 = [&header](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(4, static_cast<std::uint32_t>(header.size()) - 8 + size);
    put32(header.size() - 4, size);
    file.write(header);
    QByteArray second(static_cast<qsizetype>(f.avgBytesPerSec), 0);
    for (std::uint32_t i = 0; i < f.samplesPerSec; ++i) {
        const auto v = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * i / f.samplesPerSec)));
        for (int c = 0; c < f.channels; ++c) {
            second[(i * f.channels + c) * 2] = static_cast<char>(v & 0xFF);
            second[(i * f.channels + c) * 2 + 1] = static_cast<char>(v >> 8);
        }
    }
    for (int i = 0; i < seconds; ++i) file.write(second);
}

// Peak resident memory of this process since the last reset, in MiB.
double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Runs sox with `args`; its wall time in seconds and peak memory in MiB (negative on failure).
std::pair<double, double> runSox(const QStringList& args) {
    std::vector<std::string> owned{"sox"};
    for (const QString& a : args) owned.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer wall;
    wall.start();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp("sox", argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {-1, -1};
    return {wall.elapsed() / 1000.0, usage.ru_maxrss / 1024.0};
}

int benchConversion(const QTemporaryDir& dir, int minutes) {
    const int seconds = minutes * 60;
    const QString mono = dir.filePath(QStringLiteral("mono8k.wav")),
                  stereo = dir.filePath(QStringLiteral("stereo44k.wav"));
    writeTone(mono, WaveFormat::pcm(8000, 16), seconds);
    writeTone(stereo, WaveFormat::pcm(44100, 16, 2), seconds);
    const CodecManager& acm = CodecManager::instance();
    auto listed = [&](std::uint16_t tag, std::uint32_t kbps) {
        for (const WaveFormat& f : acm.formats())
            if (f.tag == tag && f.samplesPerSec == 8000 && f.channels == 1 &&
                (!kbps || f.avgBytesPerSec * 8 / 1000 == kbps))
                return f;
        return WaveFormat{};
    };
    const QString out = dir.filePath(QStringLiteral("out.wav")), soxOut = dir.filePath(QStringLiteral("sox.wav"));
    struct Case {
        const char* name;
        QString input;
        WaveFormat target;
        QStringList sox;
    } const cases[] = {
        {"8 kHz mono to GSM 6.10",
         mono,
         listed(WAVE_FORMAT_GSM610, 0),
         {mono, QStringLiteral("-e"), QStringLiteral("gsm-full-rate"), soxOut}},
        {"8 kHz mono to A-law",
         mono,
         listed(WAVE_FORMAT_ALAW, 0),
         {mono, QStringLiteral("-e"), QStringLiteral("a-law"), soxOut}},
        {"8 kHz mono to MP3 16 kBit/s",
         mono,
         listed(WAVE_FORMAT_MPEGLAYER3, 16),
         {mono, QStringLiteral("-C"), QStringLiteral("16"), dir.filePath(QStringLiteral("sox.mp3"))}},
        {"44.1 kHz stereo to 8 kHz mono",
         stereo,
         WaveFormat::pcm(8000, 16),
         {stereo, QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-c"), QStringLiteral("1"), soxOut}},
    };
    std::printf("\nConversion of %d minutes of audio: the Tonwell worker beside sox\n", minutes);
    std::printf("%-30s %12s %10s %9s %14s %10s\n", "conversion", "Tonwell (s)", "sox (s)", "sox/ours", "Tonwell (MiB)",
                "sox (MiB)");
    for (const Case& c : cases) {
        ConversionJob job;
        job.input = c.input;
        job.output = out;
        job.target = c.target.toBytes();
        job.target.resize(acm.maxFormatSize());
        job.maxFormatSize = acm.maxFormatSize();
        resetPeak();
        const double before = peakMiB();
        QElapsedTimer wall;
        wall.start();
        const int code = runConversion(job);
        const double ours = wall.elapsed() / 1000.0;
        const double ourPeak = peakMiB() - before;
        const auto [sox, soxPeak] = runSox(c.sox);
        if (code != kConversionOk || sox < 0) {
            std::printf("%-30s failed (Tonwell %d, sox %s)\n", c.name, code, sox < 0 ? "failed" : "ok");
            continue;
        }
        std::printf("%-30s %12.2f %10.2f %9.2f %14.1f %10.1f\n", c.name, ours, sox, sox / ours, ourPeak, soxPeak);
    }
    std::printf("(Tonwell's memory: growth of this process's peak during the conversion)\n");
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int minutes = 60;
    if (const qsizetype at = args.indexOf(QStringLiteral("--minutes")); at > 0 && at + 1 < args.size())
        minutes = std::max(1, args[at + 1].toInt());
    if (args.contains(QStringLiteral("--convert"))) {
        QTemporaryDir dir;
        return benchConversion(dir, minutes);
    }
    QTemporaryDir dir;
    qputenv("TONWELL_AUDIO", "virtual");
    qunsetenv("TONWELL_VIRTUAL_OUT");
    qunsetenv("TONWELL_VIRTUAL_FAIL");
    const double seconds = 60;

    struct Case {
        const char* name;
        QByteArray fmt, data;
        std::int16_t volume;
    };
    std::vector<Case> cases;
    auto pcmCase = [&](const char* name, std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
        const WaveFormat f = WaveFormat::pcm(rate, bits, channels);
        QByteArray data(static_cast<qsizetype>(seconds * f.avgBytesPerSec), 0);
        for (qsizetype i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 37) & 0x7F);
        cases.push_back({name, record(f).left(16), data, 20});
    };
    pcmCase("PCM 8 kHz 16-bit mono", 8000, 16, 1);
    pcmCase("PCM 8 kHz 8-bit mono", 8000, 8, 1);
    pcmCase("PCM 44.1 kHz 16-bit mono", 44100, 16, 1);
    pcmCase("PCM 44.1 kHz 16-bit stereo", 44100, 16, 2);
    for (const char* name : {"alaw", "gsm", "ima"}) {
        Case c{name, {}, {}, 0};
        if (stretch(QStringLiteral(TONWELL_TEST_DATA "/") + QLatin1String(name) + QStringLiteral(".wav"), seconds,
                    &c.fmt, &c.data))
            cases.push_back(c);
    }

    std::printf("Playback on the virtual device, %g s of audio per case\n", seconds);
    std::printf("%-28s %12s %14s %16s\n", "format", "wall (s)", "CPU ms/s audio", "core at 1x (%)");
    qputenv("TONWELL_VIRTUAL_PACE", "100");
    for (const Case& c : cases) {
        const QString file = dir.filePath(QStringLiteral("bench.wav"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", c.fmt) + chunk("data", c.data)));
        f.close();
        Player p;
        p.control->put_PlayVolume(c.volume);
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        if (!p.play(file)) {
            std::printf("%-28s failed to play\n", c.name);
            continue;
        }
        const double cpu = cpuSeconds() - cpu0;
        std::printf("%-28s %12.2f %14.3f %16.3f\n", c.name, wall.elapsed() / 1000.0, cpu / seconds * 1000.0,
                    cpu / seconds * 100.0);
    }

    // Real time, for a check of the pace-100 figure: 5 s of 8 kHz 16-bit mono.
    {
        qputenv("TONWELL_VIRTUAL_PACE", "1");
        const QString file = dir.filePath(QStringLiteral("real.wav"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", record(WaveFormat::pcm(8000, 16)).left(16)) +
                                  chunk("data", QByteArray(80000, 10))));
        f.close();
        Player p;
        const double cpu0 = cpuSeconds();
        p.play(file);
        const double cpu = cpuSeconds() - cpu0;
        std::printf("\nReal-time pace, 5 s of PCM 8 kHz 16-bit mono: %.3f%% of one core\n", cpu / 5 * 100.0);
    }

    // Play to the first buffer written.
    {
        qputenv("TONWELL_VIRTUAL_PACE", "100");
        const QString file = dir.filePath(QStringLiteral("short.wav"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", record(WaveFormat::pcm(8000, 16)).left(16)) +
                                  chunk("data", QByteArray(16000, 10))));
        f.close();
        Player p;
        std::vector<double> us;
        for (int i = 0; i < 200; ++i) {
            p.sink->done = false;
            p.control->put_PlayFilename(file);
            QElapsedTimer t;
            t.start();
            p.control->Play(0);
            QCoreApplication::processEvents();  // the two priming messages: read, gain, write
            us.push_back(t.nsecsElapsed() / 1000.0);
            while (!p.sink->done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        std::sort(us.begin(), us.end());
        std::printf("Play to first buffer written (200 runs): median %.1f us, 95th percentile %.1f us, max %.1f us\n",
                    us[us.size() / 2], us[us.size() * 95 / 100], us.back());
    }
    return benchConversion(dir, minutes);
}
