// Wave input devices: the buffer-queue interface that the recording engine drives, with the
// backends (ALSA, virtual) behind it.
#pragma once
#include "platform/waveout.h"

namespace tonwell {

struct WaveInCaps {
    QString name;
    std::uint32_t formats = 0;
};

// An open input device. Buffers added with addBuffer() are filled in order once start() has been
// called; each comes back through the callback, on the device's own thread, when it is full, with
// bytesRecorded set. reset() stops capturing and returns every queued buffer before it returns
// (the one being filled with what it holds, the others empty). A device that fails (it vanished)
// returns its buffers the same way and refuses addBuffer() from then on. unprepare and close
// refuse while buffers are queued (WAVERR_STILLPLAYING).
class WaveIn {
public:
    virtual ~WaveIn() = default;
    virtual MMRESULT prepare(WaveHeader* h);
    virtual MMRESULT unprepare(WaveHeader* h);
    virtual MMRESULT addBuffer(WaveHeader* h) = 0;
    virtual MMRESULT start() = 0;
    virtual MMRESULT reset() = 0;
    virtual MMRESULT close() = 0;
};

class WaveInSystem {
public:
    virtual ~WaveInSystem() = default;
    virtual unsigned deviceCount() = 0;
    // The name comes from the device list without opening the device (a busy device still has a
    // name); the formats are 0 when the device cannot be opened to ask.
    virtual MMRESULT caps(int id, WaveInCaps* caps) = 0;
    // Whether the device could record the format, keeping nothing open (WAVE_FORMAT_QUERY).
    virtual MMRESULT query(int id, const WaveFormat& f) = 0;
    virtual MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveIn>* out) = 0;
};

// The backend: the virtual device when TONWELL_AUDIO=virtual, else ALSA (read at each call).
WaveInSystem& waveInSystem();
WaveInSystem& alsaWaveInSystem();
WaveInSystem& virtualWaveInSystem();

// Opens the device for `f`, directly when it records the format, otherwise through an encoder of
// the codec manager fed by the device in PCM (the device mapper's converter).
MMRESULT openMappedWaveIn(WaveInSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                          std::unique_ptr<WaveIn>* out);

}  // namespace tonwell
