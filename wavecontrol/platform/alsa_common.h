// What the ALSA output and input devices share: the device lists from ALSA's hints, the sample
// formats, and the mapping of ALSA's errors onto the wave services' codes.
#pragma once
#include "platform/waveout.h"

#include <alsa/asoundlib.h>

#include <vector>

namespace tonwell::alsa {

struct Device {
    QString pcm;   // name to open
    QString desc;  // product name
};

// The PCMs of one direction in ALSA's hint order, read from the configuration without opening any.
std::vector<Device> devices(snd_pcm_stream_t stream);
// The PCM for a device index; -1 (the mapper) is "default".
bool device(snd_pcm_stream_t stream, int id, Device* out);

snd_pcm_format_t sampleFormat(const WaveFormat& f);
// PCM 8 or 16 bit with a consistent block align and a rate ALSA can be asked for.
bool plausible(const WaveFormat& f);
// Whether the opened PCM's hardware parameters admit the format.
bool hwAccepts(snd_pcm_t* pcm, const WaveFormat& f);
MMRESULT fromError(int err);
// Opens without blocking on a busy device (EBUSY at once), then switches to blocking I/O.
int open(snd_pcm_t** pcm, const QString& name, snd_pcm_stream_t stream);

}  // namespace tonwell::alsa
