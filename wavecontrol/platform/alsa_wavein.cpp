// Wave input over ALSA. Device index = position in ALSA's list of capture PCMs; the mapper (-1)
// is "default".
#include "platform/alsa_common.h"
#include "platform/queued_wavein.h"

namespace tonwell {

namespace {

constexpr snd_pcm_stream_t kCapture = SND_PCM_STREAM_CAPTURE;

class AlsaWaveIn : public QueuedWaveIn {
public:
    AlsaWaveIn(snd_pcm_t* pcm, const WaveFormat& f, WaveDoneCallback done)
        : QueuedWaveIn(f, std::move(done)), pcm_(pcm) {
        startThread();
    }
    ~AlsaWaveIn() override {
        stopThread();
        snd_pcm_close(pcm_);
    }

protected:
    long capture(std::uint8_t* data, std::size_t n) override {
        const std::size_t frameBytes = format_.blockAlign;
        // Wait a little at a time, so that a reset is not held up by a device that has gone quiet.
        const int ready = snd_pcm_wait(pcm_, 50);
        if (ready == 0) return 0;
        if (ready < 0) return snd_pcm_recover(pcm_, ready, 1) < 0 ? -1 : 0;
        const snd_pcm_sframes_t r = snd_pcm_readi(pcm_, data, n / frameBytes);
        if (r < 0) {
            // An overrun loses what the ring could not hold; anything else means the device is gone.
            if (snd_pcm_recover(pcm_, static_cast<int>(r), 1) < 0 || snd_pcm_start(pcm_) < 0) return -1;
            return 0;
        }
        return static_cast<long>(static_cast<std::size_t>(r) * frameBytes);
    }

    void onStart() override {
        if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED) snd_pcm_prepare(pcm_);
        snd_pcm_start(pcm_);
    }
    void onStop() override {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }

private:
    snd_pcm_t* pcm_;
};

class AlsaWaveInSystem : public WaveInSystem {
public:
    unsigned deviceCount() override { return static_cast<unsigned>(alsa::devices(kCapture).size()); }

    MMRESULT caps(int id, WaveInCaps* caps) override {
        alsa::Device d;
        if (!alsa::device(kCapture, id, &d)) return MMSYSERR_BADDEVICEID;
        caps->name = d.desc.left(31);  // the product name field holds 31 characters
        caps->formats = 0;
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, d.pcm.toLocal8Bit().constData(), kCapture, SND_PCM_NONBLOCK) == 0) {
            caps->formats = standardFormatBits([&](const WaveFormat& f) { return alsa::hwAccepts(pcm, f); });
            snd_pcm_close(pcm);
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT query(int id, const WaveFormat& f) override {
        alsa::Device d;
        if (!alsa::device(kCapture, id, &d)) return MMSYSERR_BADDEVICEID;
        if (!alsa::plausible(f)) return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        const int err = snd_pcm_open(&pcm, d.pcm.toLocal8Bit().constData(), kCapture, SND_PCM_NONBLOCK);
        if (err < 0) return alsa::fromError(err);
        const bool ok = alsa::hwAccepts(pcm, f);
        snd_pcm_close(pcm);
        return ok ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }

    MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveIn>* out) override {
        alsa::Device d;
        if (!alsa::device(kCapture, id, &d)) return MMSYSERR_BADDEVICEID;
        if (!alsa::plausible(f)) return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        int err = alsa::open(&pcm, d.pcm, kCapture);
        if (err < 0) return alsa::fromError(err);
        err = snd_pcm_set_params(pcm, alsa::sampleFormat(f), SND_PCM_ACCESS_RW_INTERLEAVED, f.channels, f.samplesPerSec,
                                 1, 100000);
        if (err < 0) {
            snd_pcm_close(pcm);
            return alsa::fromError(err);
        }
        *out = std::make_unique<AlsaWaveIn>(pcm, f, std::move(done));
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveInSystem& alsaWaveInSystem() {
    static AlsaWaveInSystem system;
    return system;
}

}  // namespace tonwell
