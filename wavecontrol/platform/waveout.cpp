#include "platform/waveout.h"

#include <QByteArray>

namespace tonwell {

QString waveErrorText(MMRESULT code) {
    switch (code) {
    case MMSYSERR_NOERROR: return QStringLiteral("The command completed successfully.");
    case MMSYSERR_ERROR: return QStringLiteral("Undefined external error.");
    case MMSYSERR_BADDEVICEID: return QStringLiteral("A device ID has been used that is out of range for your system.");
    case MMSYSERR_NOTENABLED: return QStringLiteral("The driver was not enabled.");
    case MMSYSERR_ALLOCATED:
        return QStringLiteral("The specified device is already in use. Wait until it is free, and then try again.");
    case MMSYSERR_INVALHANDLE: return QStringLiteral("The specified device handle is invalid.");
    case MMSYSERR_NODRIVER: return QStringLiteral("There is no driver installed on your system.");
    case MMSYSERR_NOMEM: return QStringLiteral("There is not enough memory available for this task.");
    case MMSYSERR_NOTSUPPORTED: return QStringLiteral("This function is not supported.");
    case MMSYSERR_INVALPARAM: return QStringLiteral("An invalid parameter was passed to a system function.");
    case WAVERR_BADFORMAT: return QStringLiteral("The specified format is not supported or cannot be translated.");
    case WAVERR_STILLPLAYING: return QStringLiteral("Cannot perform this operation while media data is still playing.");
    case WAVERR_UNPREPARED: return QStringLiteral("The wave header was not prepared.");
    }
    return QStringLiteral("Unknown wave device error %1.").arg(code);
}

std::uint32_t standardFormatBits(const std::function<bool(const WaveFormat&)>& accepts) {
    struct Bit {
        std::uint32_t bit, rate;
        std::uint16_t channels, bits;
    };
    static const Bit table[] = {
        {WAVE_FORMAT_1M08, 11025, 1, 8},  {WAVE_FORMAT_1S08, 11025, 2, 8},  {WAVE_FORMAT_1M16, 11025, 1, 16},
        {WAVE_FORMAT_1S16, 11025, 2, 16}, {WAVE_FORMAT_2M08, 22050, 1, 8},  {WAVE_FORMAT_2S08, 22050, 2, 8},
        {WAVE_FORMAT_2M16, 22050, 1, 16}, {WAVE_FORMAT_2S16, 22050, 2, 16}, {WAVE_FORMAT_4M08, 44100, 1, 8},
        {WAVE_FORMAT_4S08, 44100, 2, 8},  {WAVE_FORMAT_4M16, 44100, 1, 16}, {WAVE_FORMAT_4S16, 44100, 2, 16},
    };
    std::uint32_t bits = 0;
    for (const Bit& b : table)
        if (accepts(WaveFormat::pcm(b.rate, b.bits, b.channels))) bits |= b.bit;
    return bits;
}

MMRESULT WaveOut::prepare(WaveHeader* h) {
    if (!h || !h->data) return MMSYSERR_INVALPARAM;
    h->flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::unprepare(WaveHeader* h) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (h->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    h->flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

WaveOutSystem& waveOutSystem() {
    if (qgetenv("TONWELL_AUDIO") == "virtual") return virtualWaveOutSystem();
    return alsaWaveOutSystem();
}

}  // namespace tonwell
