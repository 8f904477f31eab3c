// Wave input devices: what the control asks of them before recording exists (count, names,
// capabilities). Recording adds the buffer queue.
#pragma once
#include "platform/waveout.h"

namespace tonwell {

struct WaveInCaps {
    QString name;
    std::uint32_t formats = 0;
};

unsigned waveInDeviceCount();
MMRESULT waveInCaps(int id, WaveInCaps* caps);
// Whether the device could record the format (WAVE_FORMAT_QUERY).
MMRESULT waveInQuery(int id, const WaveFormat& f);

} // namespace tonwell
