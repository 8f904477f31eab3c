#include "platform/alsa_common.h"

namespace tonwell::alsa {

namespace {

// alsa-lib reports on stderr what we report through our own codes.
void quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::vector<Device> devices(snd_pcm_stream_t stream) {
    static const bool quieted = (snd_lib_error_set_handler(&quiet), true);
    (void)quieted;
    const std::string_view direction = stream == SND_PCM_STREAM_PLAYBACK ? "Output" : "Input";
    std::vector<Device> list;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return list;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* desc = snd_device_name_get_hint(*h, "DESC");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        if (name && (!ioid || std::string_view(ioid) == direction)) {
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

bool device(snd_pcm_stream_t stream, int id, Device* out) {
    if (id == WAVE_MAPPER) {
        *out = {QStringLiteral("default"), QStringLiteral("Default Audio Device")};
        return true;
    }
    const auto list = devices(stream);
    if (id < 0 || static_cast<std::size_t>(id) >= list.size()) return false;
    *out = list[static_cast<std::size_t>(id)];
    return true;
}

snd_pcm_format_t sampleFormat(const WaveFormat& f) {
    if (f.tag != WAVE_FORMAT_PCM) return SND_PCM_FORMAT_UNKNOWN;
    if (f.bitsPerSample == 8) return SND_PCM_FORMAT_U8;
    if (f.bitsPerSample == 16) return SND_PCM_FORMAT_S16_LE;
    return SND_PCM_FORMAT_UNKNOWN;
}

bool plausible(const WaveFormat& f) {
    return sampleFormat(f) != SND_PCM_FORMAT_UNKNOWN && f.channels >= 1 && f.channels <= 8 && f.samplesPerSec >= 1000 &&
           f.samplesPerSec <= 384000 && f.blockAlign == f.channels * f.bitsPerSample / 8;
}

bool hwAccepts(snd_pcm_t* pcm, const WaveFormat& f) {
    if (!plausible(f)) return false;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0) return false;
    return snd_pcm_hw_params_test_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
           snd_pcm_hw_params_test_format(pcm, hw, sampleFormat(f)) == 0 &&
           snd_pcm_hw_params_test_channels(pcm, hw, f.channels) == 0 &&
           snd_pcm_hw_params_test_rate(pcm, hw, f.samplesPerSec, 0) == 0;
}

MMRESULT fromError(int err) {
    switch (-err) {
    case EBUSY:
    case EAGAIN: return MMSYSERR_ALLOCATED;
    case ENOENT:
    case ENODEV:
    case ENXIO: return MMSYSERR_NODRIVER;
    case ENOMEM: return MMSYSERR_NOMEM;
    case EINVAL: return WAVERR_BADFORMAT;
    default: return MMSYSERR_ERROR;
    }
}

int open(snd_pcm_t** pcm, const QString& name, snd_pcm_stream_t stream) {
    int err = snd_pcm_open(pcm, name.toLocal8Bit().constData(), stream, SND_PCM_NONBLOCK);
    if (err < 0) return err;
    err = snd_pcm_nonblock(*pcm, 0);
    if (err < 0) {
        snd_pcm_close(*pcm);
        *pcm = nullptr;
    }
    return err;
}

}  // namespace tonwell::alsa
