// Recording cost of the Tonwell control on the virtual input, with metering and silence detection.
//
// 1. CPU of the whole process per second of audio recorded at real-time pace (8 kHz 16-bit mono,
//    a file written), as a share of one core, and the same per format at pace 100.
// 2. Record to the first buffer in the file (pace 1000, so that the audio itself takes no time).
// 3. Resident memory over a one-hour recording at pace 1000, every ten minutes of audio.
#include "component/events.h"
#include "component/site.h"
#include "tonwell.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace tonwell;
using namespace component;

namespace {

// Runs the event loop for `ms` milliseconds, sleeping while nothing happens.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long residentKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

struct DoneSink : EventSink {
    bool done = false;
    void invoke(DISPID id, std::span<const Variant>) override {
        if (id == 2) done = true;
    }
};

struct Recorder {
    std::shared_ptr<Tonwell> control = std::make_shared<Tonwell>();
    std::shared_ptr<DoneSink> sink = std::make_shared<DoneSink>();
    explicit Recorder(std::int32_t format, const QString& file) {
        control->setClientSite(std::make_shared<SimpleSite>(true));
        control->initNew();
        std::uint32_t cookie = 0;
        control->advise(sink, &cookie);
        control->put_RecordFormat(static_cast<TonwellFormatConstants>(format));
        control->put_RecordFilename(file);
        control->put_RecordLevel(20);
        control->put_SilenceLevel(10);
        control->put_SilenceTimer(300);
    }
    void waitDone() {
        while (!sink->done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Records for `seconds` of wall time, then stops and waits for DoneRecord.
    bool recordFor(double seconds) {
        sink->done = false;
        if (FAILED(control->Record(0))) return false;
        runFor(static_cast<int>(seconds * 1000));
        control->StopRecord();
        waitDone();
        return true;
    }
};

// A tone with pauses, in the format's sample width: something for the meter and the detector.
QByteArray input(std::uint32_t bytes, int bits) {
    QByteArray d(static_cast<qsizetype>(bytes), 0);
    for (qsizetype i = 0; i < d.size(); ++i) {
        const bool loud = (i / 8000) % 3 != 2;
        d[i] = bits == 8 ? static_cast<char>(loud ? (i % 16 < 8 ? 200 : 56) : 128)
                         : static_cast<char>(loud && i % 2 ? (i % 32 < 16 ? 0x30 : 0xD0) : 0);
    }
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("TONWELL_AUDIO", "virtual");
    qunsetenv("TONWELL_VIRTUAL_FAIL");
    const QString in = dir.filePath(QStringLiteral("in.raw")), out = dir.filePath(QStringLiteral("rec.wav"));
    auto writeInput = [&](std::uint32_t bytes, int bits) {
        QFile f(in);
        f.open(QIODevice::WriteOnly);
        f.write(input(bytes, bits));
    };
    qputenv("TONWELL_VIRTUAL_IN", in.toLocal8Bit());

    // 1. Real time, 8 kHz 16-bit mono.
    {
        writeInput(16000 * 10, 16);
        qputenv("TONWELL_VIRTUAL_PACE", "1");
        Recorder r(tw8000Hz16bit, out);
        const double seconds = 5, cpu0 = cpuSeconds();
        r.recordFor(seconds);
        const double cpu = cpuSeconds() - cpu0;
        std::printf(
            "Recording at real-time pace, %g s of 8 kHz 16-bit mono with metering and silence detection:\n"
            "  %.3f ms CPU per second of audio, %.3f%% of one core\n\n",
            seconds, cpu / seconds * 1000.0, cpu / seconds * 100.0);
    }
    {
        struct Case {
            const char* name;
            std::int32_t format;
            std::uint32_t bytesPerSecond;
            int bits;
        };
        const Case cases[] = {
            {"PCM 8 kHz 8-bit mono", tw8000Hz8bit, 8000, 8},
            {"PCM 8 kHz 16-bit mono", tw8000Hz16bit, 16000, 16},
            {"PCM 44.1 kHz 16-bit mono", tw44100Hz16bit, 88200, 16},
        };
        const double pace = 100, wall = 0.6;  // 60 s of audio each
        qputenv("TONWELL_VIRTUAL_PACE", "100");
        std::printf("Recording at pace %g, %g s of audio per case\n%-28s %14s %16s\n", pace, pace * wall, "format",
                    "CPU ms/s audio", "core at 1x (%)");
        for (const Case& c : cases) {
            writeInput(c.bytesPerSecond * 70, c.bits);
            Recorder r(c.format, out);
            const double cpu0 = cpuSeconds();
            r.recordFor(wall);
            const double audio = static_cast<double>(QFileInfo(out).size() - 46) / c.bytesPerSecond;
            const double cpu = cpuSeconds() - cpu0;
            std::printf("%-28s %14.3f %16.3f\n", c.name, cpu / audio * 1000.0, cpu / audio * 100.0);
        }
    }

    // 2. Record to the first buffer in the file: 4800-byte buffers are written straight through.
    {
        writeInput(16000 * 10, 16);
        qputenv("TONWELL_VIRTUAL_PACE", "1000");
        Recorder r(tw8000Hz16bit, out);
        r.control->put_RecordBufferLength(3);
        std::vector<double> us, call;
        for (int i = 0; i < 100; ++i) {
            r.sink->done = false;
            QElapsedTimer t;
            t.start();
            r.control->Record(0);
            call.push_back(t.nsecsElapsed() / 1000.0);
            while (QFileInfo(out).size() <= 46) QCoreApplication::processEvents(QEventLoop::AllEvents);
            us.push_back(t.nsecsElapsed() / 1000.0);
            r.control->StopRecord();
            r.waitDone();
        }
        std::sort(us.begin(), us.end());
        std::sort(call.begin(), call.end());
        std::printf(
            "\nRecord to first buffer in the file (100 runs, 0.3 ms of audio at pace 1000): median %.1f us, "
            "95th percentile %.1f us; the Record call itself: median %.1f us\n",
            us[us.size() / 2], us[us.size() * 95 / 100], call[call.size() / 2]);
    }

    // 3. One hour of audio at pace 1000: resident memory every ten minutes of audio.
    {
        writeInput(16000 * 60, 16);
        qputenv("TONWELL_VIRTUAL_PACE", "1000");
        Recorder r(tw8000Hz16bit, out);
        r.control->Record(0);
        std::printf("\nOne hour of 8 kHz 16-bit mono at pace 1000, resident memory (KiB) by minutes of audio:\n");
        QElapsedTimer t;
        t.start();
        for (int minute = 0; minute <= 60;) {
            runFor(20);
            const double audioMinutes = static_cast<double>(QFileInfo(out).size()) / 16000 / 60;
            if (audioMinutes >= minute) {
                std::printf("  %2d min: %ld\n", minute, residentKb());
                minute += 10;
            }
            if (t.elapsed() > 120000) break;  // a slow machine: enough said
        }
        r.control->StopRecord();
        r.waitDone();
        std::printf("  file %.1f MB\n", QFileInfo(out).size() / 1e6);
    }
    return 0;
}
