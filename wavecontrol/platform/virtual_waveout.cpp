// The virtual output device: one device that accepts 8- and 16-bit PCM, mono or stereo, and
// takes as long to play a buffer as a real one would, divided by the pace.
#include "platform/queued_waveout.h"
#include "platform/virtual_device.h"

#include <QFile>
#include <chrono>
#include <cstdio>

namespace tonwell {

VirtualConfig VirtualConfig::fromEnvironment() {
    VirtualConfig c;
    c.outFile = QString::fromLocal8Bit(qgetenv("TONWELL_VIRTUAL_OUT"));
    c.inFile = QString::fromLocal8Bit(qgetenv("TONWELL_VIRTUAL_IN"));
    bool ok = false;
    const double pace = qEnvironmentVariable("TONWELL_VIRTUAL_PACE").toDouble(&ok);
    if (ok && pace > 0) c.pace = pace;
    for (const QString& f : qEnvironmentVariable("TONWELL_VIRTUAL_FAIL").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString item = f.trimmed();
        if (item.startsWith(QLatin1String("write=")))
            c.failingWrite = item.mid(6).toInt();
        else if (item.startsWith(QLatin1String("queue=")))
            c.failingQueue = item.mid(6).toInt();
        else
            c.faults << item;
    }
    return c;
}

namespace {

const QString kDeviceName = QStringLiteral("Tonwell Virtual Output");

bool acceptsFormat(const WaveFormat& f) {
    return f.tag == WAVE_FORMAT_PCM && (f.channels == 1 || f.channels == 2) &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.samplesPerSec >= 1000 && f.samplesPerSec <= 192000 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 && f.avgBytesPerSec == f.samplesPerSec * f.blockAlign;
}

class VirtualWaveOut : public QueuedWaveOut {
public:
    VirtualWaveOut(const WaveFormat& f, WaveDoneCallback done, VirtualConfig config)
        : QueuedWaveOut(f, std::move(done)), config_(std::move(config)) {
        if (!config_.outFile.isEmpty()) out_ = std::fopen(QFile::encodeName(config_.outFile).constData(), "ab");
        start();
    }
    ~VirtualWaveOut() override {
        stop();
        if (out_) std::fclose(out_);
    }

    MMRESULT prepare(WaveHeader* h) override {
        if (config_.fails("prepare")) return MMSYSERR_NOMEM;
        if (config_.fails("prepare-error")) return MMSYSERR_ERROR;
        return QueuedWaveOut::prepare(h);
    }
    MMRESULT write(WaveHeader* h) override {
        if (config_.failingWrite > 0 && ++writes_ == config_.failingWrite) return MMSYSERR_ERROR;
        return QueuedWaveOut::write(h);
    }
    MMRESULT pause() override { return config_.fails("pause") ? MMSYSERR_NOTSUPPORTED : QueuedWaveOut::pause(); }
    MMRESULT restart() override { return config_.fails("restart") ? MMSYSERR_NOTSUPPORTED : QueuedWaveOut::restart(); }

protected:
    std::size_t sliceBytes() const override {
        const std::size_t block = std::max<std::size_t>(1, format_.blockAlign);
        // 50 ms of audio at the pace: reset and pause interrupt a slice at once anyway.
        const auto bytes = static_cast<std::size_t>(format_.avgBytesPerSec * config_.pace / 20.0);
        return std::max(block, bytes - bytes % block);
    }

    long render(const std::uint8_t* data, std::size_t n) override {
        using namespace std::chrono;
        const auto length = duration_cast<steady_clock::duration>(
            duration<double>(static_cast<double>(n) / (format_.avgBytesPerSec * config_.pace)));
        if (!waitUntil(deadline_ + length)) return 0;
        deadline_ += length;
        if (out_) {
            std::fwrite(data, 1, n, out_);
            std::fflush(out_);  // readers see each slice as soon as it has "played"
        }
        return static_cast<long>(n);
    }

    void onResume() override { deadline_ = std::chrono::steady_clock::now(); }

private:
    VirtualConfig config_;
    std::FILE* out_ = nullptr;
    int writes_ = 0;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now();
};

class VirtualWaveOutSystem : public WaveOutSystem {
public:
    unsigned deviceCount() override { return 1; }

    MMRESULT caps(int id, WaveOutCaps* caps) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        if (VirtualConfig::fromEnvironment().fails("caps")) return MMSYSERR_NODRIVER;
        caps->name = kDeviceName;
        caps->channels = 2;
        caps->formats = standardFormatBits(&acceptsFormat);
        return MMSYSERR_NOERROR;
    }

    MMRESULT query(int id, const WaveFormat& f) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        return acceptsFormat(f) ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }

    MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveOut>* out) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        VirtualConfig config = VirtualConfig::fromEnvironment();
        if (config.fails("open")) return MMSYSERR_ALLOCATED;
        if (!acceptsFormat(f)) return WAVERR_BADFORMAT;
        *out = std::make_unique<VirtualWaveOut>(f, std::move(done), std::move(config));
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveOutSystem& virtualWaveOutSystem() {
    static VirtualWaveOutSystem system;
    return system;
}

}  // namespace tonwell
