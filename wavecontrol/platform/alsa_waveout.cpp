// Wave output over ALSA. Device index = position in ALSA's list of playback PCMs; the mapper
// (-1) is "default", through which PipeWire and PulseAudio are reached.
#include "platform/alsa_common.h"
#include "platform/queued_waveout.h"

#include <chrono>
#include <thread>

namespace tonwell {

namespace {

constexpr snd_pcm_stream_t kPlayback = SND_PCM_STREAM_PLAYBACK;

// A frame handed to ALSA sits in its ring until the device plays it: a buffer is done only when
// snd_pcm_delay says its last frame has left. The ring is dropped only by a reset (StopPlay) or
// by closing; the end of the data is played out first.
class AlsaWaveOut : public QueuedWaveOut {
public:
    AlsaWaveOut(snd_pcm_t* pcm, const WaveFormat& f, WaveDoneCallback done)
        : QueuedWaveOut(f, std::move(done)), pcm_(pcm) {
        start();
    }
    ~AlsaWaveOut() override {
        stop();
        snd_pcm_drop(pcm_);  // every buffer has come back by now: nothing owed is left in the ring
        snd_pcm_close(pcm_);
    }

protected:
    long render(const std::uint8_t* data, std::size_t n) override {
        const std::size_t frameBytes = format_.blockAlign;
        snd_pcm_uframes_t frames = n / frameBytes;
        const std::uint8_t* const begin = data;
        while (frames > 0) {
            if (interrupted())  // what was written is in the ring; the rest comes after resume
                return static_cast<long>(data - begin);
            const snd_pcm_sframes_t w = snd_pcm_writei(pcm_, data, frames);
            if (w < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(w), 1) < 0) return -1;
                continue;
            }
            data += static_cast<std::size_t>(w) * frameBytes;
            frames -= static_cast<snd_pcm_uframes_t>(w);
        }
        return static_cast<long>(n);
    }

    std::size_t pendingBytes() override {
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_PREPARED && state != SND_PCM_STATE_PAUSED &&
            state != SND_PCM_STATE_DRAINING)
            return 0;  // an underrun has played everything there was
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) return 0;
        return static_cast<std::size_t>(delay) * format_.blockAlign;
    }

    void finish() override {
        // Less than the start threshold never starts by itself: a file shorter than the ring.
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && pendingBytes() > 0) snd_pcm_start(pcm_);
        while (pendingBytes() > 0 && !finishInterrupted()) {
            const auto left =
                std::chrono::microseconds(pendingBytes() * 1000000ull / std::max(1u, format_.avgBytesPerSec));
            std::this_thread::sleep_for(
                std::clamp(left, std::chrono::microseconds(1000), std::chrono::microseconds(10000)));
        }
    }

    void onPause() override {
        if (snd_pcm_pause(pcm_, 1) == 0) hwPaused_ = true;
    }
    void onResume() override {
        if (hwPaused_ && snd_pcm_pause(pcm_, 0) == 0) {
            hwPaused_ = false;
            return;
        }
        hwPaused_ = false;
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_PREPARED) snd_pcm_prepare(pcm_);
    }
    void onDrop() override {
        hwPaused_ = false;
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }

private:
    snd_pcm_t* pcm_;
    bool hwPaused_ = false;
};

class AlsaWaveOutSystem : public WaveOutSystem {
public:
    unsigned deviceCount() override { return static_cast<unsigned>(alsa::devices(kPlayback).size()); }

    MMRESULT caps(int id, WaveOutCaps* caps) override {
        alsa::Device d;
        if (!alsa::device(kPlayback, id, &d)) return MMSYSERR_BADDEVICEID;
        caps->name = d.desc.left(31);  // the product name field holds 31 characters
        caps->channels = 2;
        caps->formats = 0;
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, d.pcm.toLocal8Bit().constData(), kPlayback, SND_PCM_NONBLOCK) == 0) {
            caps->formats = standardFormatBits([&](const WaveFormat& f) { return alsa::hwAccepts(pcm, f); });
            snd_pcm_close(pcm);
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT query(int id, const WaveFormat& f) override {
        alsa::Device d;
        if (!alsa::device(kPlayback, id, &d)) return MMSYSERR_BADDEVICEID;
        if (!alsa::plausible(f)) return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        const int err = snd_pcm_open(&pcm, d.pcm.toLocal8Bit().constData(), kPlayback, SND_PCM_NONBLOCK);
        if (err < 0) return alsa::fromError(err);
        const bool ok = alsa::hwAccepts(pcm, f);
        snd_pcm_close(pcm);
        return ok ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }

    MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveOut>* out) override {
        alsa::Device d;
        if (!alsa::device(kPlayback, id, &d)) return MMSYSERR_BADDEVICEID;
        if (!alsa::plausible(f)) return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        int err = alsa::open(&pcm, d.pcm, kPlayback);
        if (err < 0) return alsa::fromError(err);
        // Soft resampling allowed; 100 ms of latency keeps pause, reset and the end prompt.
        err = snd_pcm_set_params(pcm, alsa::sampleFormat(f), SND_PCM_ACCESS_RW_INTERLEAVED, f.channels, f.samplesPerSec,
                                 1, 100000);
        if (err < 0) {
            snd_pcm_close(pcm);
            return alsa::fromError(err);
        }
        *out = std::make_unique<AlsaWaveOut>(pcm, f, std::move(done));
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveOutSystem& alsaWaveOutSystem() {
    static AlsaWaveOutSystem system;
    return system;
}

}  // namespace tonwell
