// Wave output over ALSA. Device index = position in ALSA's list of playback PCMs; the mapper
// (-1) is "default", through which PipeWire and PulseAudio are reached.
#include "platform/queued_waveout.h"

#include <alsa/asoundlib.h>

#include <QStringList>
#include <mutex>

namespace tonwell {

namespace {

struct AlsaDevice {
    QString pcm;  // name to open
    QString desc; // product name
};

// alsa-lib reports on stderr what we report through our own codes.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The playback devices in ALSA's hint order.
std::vector<AlsaDevice> playbackDevices()
{
    static const bool quiet = (snd_lib_error_set_handler(&quietAlsa), true);
    (void)quiet;
    std::vector<AlsaDevice> list;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return list;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* desc = snd_device_name_get_hint(*h, "DESC");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        if (name && (!ioid || std::string_view(ioid) == "Output")) {
            QString d = desc ? QString::fromLocal8Bit(desc).replace(QLatin1Char('\n'), QLatin1Char(' ')) : QString();
            list.push_back({QString::fromLocal8Bit(name), d.isEmpty() ? QString::fromLocal8Bit(name) : d});
        }
        std::free(name);
        std::free(desc);
        std::free(ioid);
    }
    snd_device_name_free_hint(hints);
    return list;
}

bool pcmName(int id, QString* name, QString* desc = nullptr)
{
    if (id == WAVE_MAPPER) {
        *name = QStringLiteral("default");
        if (desc)
            *desc = QStringLiteral("Default Audio Device");
        return true;
    }
    const auto list = playbackDevices();
    if (id < 0 || static_cast<std::size_t>(id) >= list.size())
        return false;
    *name = list[static_cast<std::size_t>(id)].pcm;
    if (desc)
        *desc = list[static_cast<std::size_t>(id)].desc;
    return true;
}

snd_pcm_format_t alsaFormat(const WaveFormat& f)
{
    if (f.tag != WAVE_FORMAT_PCM)
        return SND_PCM_FORMAT_UNKNOWN;
    if (f.bitsPerSample == 8)
        return SND_PCM_FORMAT_U8;
    if (f.bitsPerSample == 16)
        return SND_PCM_FORMAT_S16_LE;
    return SND_PCM_FORMAT_UNKNOWN;
}

bool plausible(const WaveFormat& f)
{
    return alsaFormat(f) != SND_PCM_FORMAT_UNKNOWN && f.channels >= 1 && f.channels <= 8 && f.samplesPerSec >= 1000 &&
           f.samplesPerSec <= 384000 && f.blockAlign == f.channels * f.bitsPerSample / 8;
}

// Whether the opened PCM's hardware parameters admit the format.
bool hwAccepts(snd_pcm_t* pcm, const WaveFormat& f)
{
    if (!plausible(f))
        return false;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0)
        return false;
    return snd_pcm_hw_params_test_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
           snd_pcm_hw_params_test_format(pcm, hw, alsaFormat(f)) == 0 &&
           snd_pcm_hw_params_test_channels(pcm, hw, f.channels) == 0 &&
           snd_pcm_hw_params_test_rate(pcm, hw, f.samplesPerSec, 0) == 0;
}

MMRESULT fromAlsaError(int err)
{
    switch (-err) {
    case EBUSY: return MMSYSERR_ALLOCATED;
    case ENOENT:
    case ENODEV:
    case ENXIO: return MMSYSERR_NODRIVER;
    case ENOMEM: return MMSYSERR_NOMEM;
    case EINVAL: return WAVERR_BADFORMAT;
    default: return MMSYSERR_ERROR;
    }
}

class AlsaWaveOut : public QueuedWaveOut {
public:
    AlsaWaveOut(snd_pcm_t* pcm, const WaveFormat& f, WaveDoneCallback done) : QueuedWaveOut(f, std::move(done)), pcm_(pcm)
    {
        start();
    }
    ~AlsaWaveOut() override
    {
        stop();
        snd_pcm_drain(pcm_); // let the last written audio play out
        snd_pcm_close(pcm_);
    }

protected:
    long render(const std::uint8_t* data, std::size_t n) override
    {
        const std::size_t frameBytes = format_.blockAlign;
        snd_pcm_uframes_t frames = n / frameBytes;
        const std::uint8_t* const begin = data;
        while (frames > 0) {
            if (interrupted()) // what was written counts as played; the rest comes after resume
                return static_cast<long>(data - begin);
            const snd_pcm_sframes_t w = snd_pcm_writei(pcm_, data, frames);
            if (w < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(w), 1) < 0)
                    return -1;
                continue;
            }
            data += static_cast<std::size_t>(w) * frameBytes;
            frames -= static_cast<snd_pcm_uframes_t>(w);
        }
        return static_cast<long>(n);
    }

    void onPause() override
    {
        if (snd_pcm_pause(pcm_, 1) == 0)
            hwPaused_ = true;
    }
    void onResume() override
    {
        if (hwPaused_ && snd_pcm_pause(pcm_, 0) == 0) {
            hwPaused_ = false;
            return;
        }
        hwPaused_ = false;
        if (snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING)
            snd_pcm_prepare(pcm_);
    }
    void onDrop() override
    {
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
    unsigned deviceCount() override { return static_cast<unsigned>(playbackDevices().size()); }

    MMRESULT caps(int id, WaveOutCaps* caps) override
    {
        QString name, desc;
        if (!pcmName(id, &name, &desc))
            return MMSYSERR_BADDEVICEID;
        snd_pcm_t* pcm = nullptr;
        const int err = snd_pcm_open(&pcm, name.toLocal8Bit().constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (err < 0)
            return fromAlsaError(err);
        caps->name = desc.left(31); // the product name field holds 31 characters
        caps->formats = standardFormatBits([&](const WaveFormat& f) { return hwAccepts(pcm, f); });
        caps->channels = 2;
        snd_pcm_close(pcm);
        return MMSYSERR_NOERROR;
    }

    MMRESULT query(int id, const WaveFormat& f) override
    {
        QString name;
        if (!pcmName(id, &name))
            return MMSYSERR_BADDEVICEID;
        if (!plausible(f))
            return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        const int err = snd_pcm_open(&pcm, name.toLocal8Bit().constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (err < 0)
            return fromAlsaError(err);
        const bool ok = hwAccepts(pcm, f);
        snd_pcm_close(pcm);
        return ok ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }

    MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveOut>* out) override
    {
        QString name;
        if (!pcmName(id, &name))
            return MMSYSERR_BADDEVICEID;
        if (!plausible(f))
            return WAVERR_BADFORMAT;
        snd_pcm_t* pcm = nullptr;
        int err = snd_pcm_open(&pcm, name.toLocal8Bit().constData(), SND_PCM_STREAM_PLAYBACK, 0);
        if (err < 0)
            return fromAlsaError(err);
        // Soft resampling allowed; 100 ms of latency keeps pause, reset and the end prompt.
        err = snd_pcm_set_params(pcm, alsaFormat(f), SND_PCM_ACCESS_RW_INTERLEAVED, f.channels, f.samplesPerSec, 1,
                                 100000);
        if (err < 0) {
            snd_pcm_close(pcm);
            return fromAlsaError(err);
        }
        *out = std::make_unique<AlsaWaveOut>(pcm, f, std::move(done));
        return MMSYSERR_NOERROR;
    }
};

} // namespace

WaveOutSystem& alsaWaveOutSystem()
{
    static AlsaWaveOutSystem system;
    return system;
}

} // namespace tonwell
