// Input devices: ALSA's capture PCMs in hint order (-1 = "default"), or the one virtual input.
#include "platform/wavein.h"

#include "platform/virtual_device.h"

#include <alsa/asoundlib.h>

#include <vector>

namespace tonwell {

namespace {

bool isVirtual() { return qgetenv("TONWELL_AUDIO") == "virtual"; }

bool virtualAccepts(const WaveFormat& f)
{
    return f.tag == WAVE_FORMAT_PCM && (f.channels == 1 || f.channels == 2) &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.samplesPerSec >= 1000 && f.samplesPerSec <= 192000 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8;
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::vector<std::pair<QString, QString>> captureDevices()
{
    static const bool quiet = (snd_lib_error_set_handler(&quietAlsa), true);
    (void)quiet;
    std::vector<std::pair<QString, QString>> list;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return list;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* desc = snd_device_name_get_hint(*h, "DESC");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        if (name && (!ioid || std::string_view(ioid) == "Input")) {
            QString d = desc ? QString::fromLocal8Bit(desc).replace(QLatin1Char('\n'), QLatin1Char(' ')) : QString();
            list.emplace_back(QString::fromLocal8Bit(name), d.isEmpty() ? QString::fromLocal8Bit(name) : d);
        }
        std::free(name);
        std::free(desc);
        std::free(ioid);
    }
    snd_device_name_free_hint(hints);
    return list;
}

bool capturePcm(int id, QString* name, QString* desc)
{
    if (id == WAVE_MAPPER) {
        *name = QStringLiteral("default");
        *desc = QStringLiteral("Default Audio Device");
        return true;
    }
    const auto list = captureDevices();
    if (id < 0 || static_cast<std::size_t>(id) >= list.size())
        return false;
    *name = list[static_cast<std::size_t>(id)].first;
    *desc = list[static_cast<std::size_t>(id)].second;
    return true;
}

bool alsaAccepts(snd_pcm_t* pcm, const WaveFormat& f)
{
    if (f.tag != WAVE_FORMAT_PCM || (f.bitsPerSample != 8 && f.bitsPerSample != 16))
        return false;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    return snd_pcm_hw_params_any(pcm, hw) >= 0 &&
           snd_pcm_hw_params_test_format(pcm, hw, f.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE) == 0 &&
           snd_pcm_hw_params_test_channels(pcm, hw, f.channels) == 0 &&
           snd_pcm_hw_params_test_rate(pcm, hw, f.samplesPerSec, 0) == 0;
}

} // namespace

unsigned waveInDeviceCount() { return isVirtual() ? 1u : static_cast<unsigned>(captureDevices().size()); }

MMRESULT waveInCaps(int id, WaveInCaps* caps)
{
    if (isVirtual()) {
        if (id != 0 && id != WAVE_MAPPER)
            return MMSYSERR_BADDEVICEID;
        if (VirtualConfig::fromEnvironment().fails("caps"))
            return MMSYSERR_NODRIVER;
        caps->name = QStringLiteral("Tonwell Virtual Input");
        caps->formats = standardFormatBits(&virtualAccepts);
        return MMSYSERR_NOERROR;
    }
    QString name, desc;
    if (!capturePcm(id, &name, &desc))
        return MMSYSERR_BADDEVICEID;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.toLocal8Bit().constData(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return MMSYSERR_NODRIVER;
    caps->name = desc.left(31);
    caps->formats = standardFormatBits([&](const WaveFormat& f) { return alsaAccepts(pcm, f); });
    snd_pcm_close(pcm);
    return MMSYSERR_NOERROR;
}

MMRESULT waveInQuery(int id, const WaveFormat& f)
{
    if (isVirtual()) {
        if (id != 0 && id != WAVE_MAPPER)
            return MMSYSERR_BADDEVICEID;
        return virtualAccepts(f) ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
    }
    QString name, desc;
    if (!capturePcm(id, &name, &desc))
        return MMSYSERR_BADDEVICEID;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.toLocal8Bit().constData(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return MMSYSERR_NODRIVER;
    const bool ok = alsaAccepts(pcm, f);
    snd_pcm_close(pcm);
    return ok ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

} // namespace tonwell
