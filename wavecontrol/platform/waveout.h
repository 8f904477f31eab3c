// Wave output devices: the buffer-queue interface that the playback engine drives, with the
// backends (ALSA, virtual) behind it and the mapper that inserts a decoder for compressed formats.
#pragma once
#include "platform/waveformat.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace tonwell {

using MMRESULT = std::uint32_t;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

// The text the wave services give for an error code (at most 128 characters).
QString waveErrorText(MMRESULT code);

constexpr std::uint32_t WHDR_DONE = 0x01;
constexpr std::uint32_t WHDR_PREPARED = 0x02;
constexpr std::uint32_t WHDR_INQUEUE = 0x10;
// Set by the writer on the buffer that holds the end of its data: a converting device flushes
// what its codec still holds after that buffer.
constexpr std::uint32_t WHDR_ENDOFDATA = 0x00010000;

struct WaveHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;
};

// The standard-format bits of a device's capabilities.
constexpr std::uint32_t WAVE_FORMAT_1M08 = 0x001, WAVE_FORMAT_1S08 = 0x002, WAVE_FORMAT_1M16 = 0x004,
                        WAVE_FORMAT_1S16 = 0x008, WAVE_FORMAT_2M08 = 0x010, WAVE_FORMAT_2S08 = 0x020,
                        WAVE_FORMAT_2M16 = 0x040, WAVE_FORMAT_2S16 = 0x080, WAVE_FORMAT_4M08 = 0x100,
                        WAVE_FORMAT_4S08 = 0x200, WAVE_FORMAT_4M16 = 0x400, WAVE_FORMAT_4S16 = 0x800;

// The standard-format bits a device that accepts `accepts` would list.
std::uint32_t standardFormatBits(const std::function<bool(const WaveFormat&)>& accepts);

struct WaveOutCaps {
    QString name;
    std::uint32_t formats = 0;
    std::uint16_t channels = 2;
};

constexpr int WAVE_MAPPER = -1;

// Called on the device's own thread when a written buffer is done (played, or returned by reset).
using WaveDoneCallback = std::function<void(WaveHeader*)>;

// An open output device. prepare/unprepare/write/pause/restart/reset/close follow the wave-out
// rules: write needs a prepared header; unprepare and close refuse while buffers are queued
// (WAVERR_STILLPLAYING); reset returns every queued buffer through the callback before it returns.
class WaveOut {
public:
    virtual ~WaveOut() = default;
    virtual MMRESULT prepare(WaveHeader* h);
    virtual MMRESULT unprepare(WaveHeader* h);
    virtual MMRESULT write(WaveHeader* h) = 0;
    virtual MMRESULT pause() = 0;
    virtual MMRESULT restart() = 0;
    virtual MMRESULT reset() = 0;
    virtual MMRESULT close() = 0;
};

class WaveOutSystem {
public:
    virtual ~WaveOutSystem() = default;
    virtual unsigned deviceCount() = 0;
    virtual MMRESULT caps(int id, WaveOutCaps* caps) = 0;
    // Whether the device could open the format, opening nothing (WAVE_FORMAT_QUERY).
    virtual MMRESULT query(int id, const WaveFormat& f) = 0;
    virtual MMRESULT open(int id, const WaveFormat& f, WaveDoneCallback done, std::unique_ptr<WaveOut>* out) = 0;
};

// The backend: the virtual device when TONWELL_AUDIO=virtual, else ALSA. Read at each call, so
// a test may switch it between controls.
WaveOutSystem& waveOutSystem();
WaveOutSystem& alsaWaveOutSystem();
WaveOutSystem& virtualWaveOutSystem();

// Opens the device for `f`, directly when it takes the format, otherwise through a stream of the
// codec manager to the PCM format it suggests (the device mapper's converter). Buffers then
// complete when their converted audio has been played.
MMRESULT openMappedWaveOut(WaveOutSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                           std::unique_ptr<WaveOut>* out);

}  // namespace tonwell
