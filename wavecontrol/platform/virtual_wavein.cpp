// The virtual input device: one device that records 8- and 16-bit PCM, mono or stereo, from a
// file (then silence), taking as long to fill a buffer as a real one would, divided by the pace.
#include "platform/queued_wavein.h"
#include "platform/virtual_device.h"

#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tonwell {

namespace {

const QString kDeviceName = QStringLiteral("Tonwell Virtual Input");

bool acceptsFormat(const WaveFormat& f) {
    return f.tag == WAVE_FORMAT_PCM && (f.channels == 1 || f.channels == 2) &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.samplesPerSec >= 1000 && f.samplesPerSec <= 192000 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 && f.avgBytesPerSec == f.samplesPerSec * f.blockAlign;
}

class VirtualWaveIn : public QueuedWaveIn {
public:
    VirtualWaveIn(const WaveFormat& f, WaveDoneCallback done, VirtualConfig config)
        : QueuedWaveIn(f, std::move(done)), config_(std::move(config)) {
        if (!config_.inFile.isEmpty()) in_ = std::fopen(QFile::encodeName(config_.inFile).constData(), "rb");
        startThread();
    }
    ~VirtualWaveIn() override {
        stopThread();
        if (in_) std::fclose(in_);
    }

    MMRESULT prepare(WaveHeader* h) override {
        if (config_.fails("prepare")) return MMSYSERR_NOMEM;
        if (config_.fails("prepare-error")) return MMSYSERR_ERROR;
        return QueuedWaveIn::prepare(h);
    }
    MMRESULT addBuffer(WaveHeader* h) override {
        if (config_.failingQueue > 0 && ++added_ == config_.failingQueue) return MMSYSERR_ERROR;
        return QueuedWaveIn::addBuffer(h);
    }
    MMRESULT start() override { return config_.fails("start") ? MMSYSERR_NOTSUPPORTED : QueuedWaveIn::start(); }

protected:
    // A whole buffer at a time: a reset wakes the wait at once and keeps what the time so far
    // has captured, so small slices would only cost wake-ups.
    std::size_t sliceBytes() const override { return std::numeric_limits<std::size_t>::max(); }

    long capture(std::uint8_t* data, std::size_t n) override {
        using namespace std::chrono;
        const double bytesPerSecond = format_.avgBytesPerSec * config_.pace;
        const auto start = deadline_;
        deadline_ += duration_cast<steady_clock::duration>(duration<double>(static_cast<double>(n) / bytesPerSecond));
        if (!waitUntil(deadline_)) {
            const double elapsed = duration<double>(steady_clock::now() - start).count();
            n = std::min(n, static_cast<std::size_t>(std::max(0.0, elapsed) * bytesPerSecond));
            deadline_ = start;
        }
        n -= n % std::max<std::size_t>(1, format_.blockAlign);
        if (n == 0) return 0;
        std::size_t got = in_ ? std::fread(data, 1, n, in_) : 0;
        got -= got % std::max<std::size_t>(1, format_.blockAlign);
        if (got < n && config_.fails("vanish")) return got > 0 ? static_cast<long>(got) : -1;
        std::memset(data + got, format_.bitsPerSample == 8 ? 0x80 : 0, n - got);
        return static_cast<long>(n);
    }

    void onStart() override { deadline_ = std::chrono::steady_clock::now(); }

private:
    VirtualConfig config_;
    std::FILE* in_ = nullptr;
    int added_ = 0;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now();
};

class VirtualWaveInSystem : public WaveInSystem {
public:
    unsigned deviceCount() override { return 1; }

    MMRESULT caps(int id, WaveInCaps* caps) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        if (VirtualConfig::fromEnvironment().fails("caps")) return MMSYSERR_NODRIVER;
        caps->name = kDeviceName;
        caps->formats = standardFormatBits(&acceptsFormat);
        return MMSYSERR_NOERROR;
    }

    MMRESULT query(int id, const WaveFormat& f) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        return acceptsFormat(f) ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }

    MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveIn>* out) override {
        if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
        VirtualConfig config = VirtualConfig::fromEnvironment();
        if (config.fails("open")) return MMSYSERR_ALLOCATED;
        if (!acceptsFormat(f)) return WAVERR_BADFORMAT;
        *out = std::make_unique<VirtualWaveIn>(f, std::move(done), std::move(config));
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveInSystem& virtualWaveInSystem() {
    static VirtualWaveInSystem system;
    return system;
}

WaveInSystem& waveInSystem() {
    if (qgetenv("TONWELL_AUDIO") == "virtual") return virtualWaveInSystem();
    return alsaWaveInSystem();
}

}  // namespace tonwell
