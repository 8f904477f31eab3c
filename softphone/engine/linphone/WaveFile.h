#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::engine {

// Mono 16-bit PCM audio in memory: what the engine plays into calls and
// keeps of recorded calls.
struct WaveAudio {
    int sampleRate = 8000;
    std::vector<std::int16_t> samples;
    double seconds() const { return sampleRate > 0 ? double(samples.size()) / sampleRate : 0.0; }
};

enum class WaveProblem {
    None,
    CannotOpen,   // missing, unreadable, a folder
    CannotRead,   // not a wave file: empty, text, cut short before its sound data, data before format
    Unsupported,  // a wave file in an encoding the engine does not play (24-bit, compressed, ...)
};

struct LoadedWave {
    WaveProblem problem = WaveProblem::None;
    WaveAudio audio;
};

// Reads a wave file of PCM 8 or 16 bit or G.711 (A-law, u-law), mono or
// stereo, at any rate from 4 to 192 kHz, as mono 16-bit at its own rate.
LoadedWave loadWave(const std::filesystem::path& path);

// The audio at another sample rate (linear interpolation: speech at
// telephone rates needs nothing finer).
std::vector<std::int16_t> resampled(const std::vector<std::int16_t>& samples, int fromRate, int toRate);

// Writes a PCM 16-bit mono wave file, replacing what the path held; false
// when the file cannot be created or written completely (full disk) or the
// audio is longer than a wave file can say (4 GiB of sound data).
bool writeWave(const std::filesystem::path& path, const WaveAudio& audio);

// Appends the sound of a wave file (any format loadWave reads) to a raw file
// of PCM 16-bit mono samples at `rate`, block by block, so memory stays flat
// whatever the length. A sound-data chunk whose size was never fixed (a
// recorder still writing, or stopped by a crash) counts to the end of the
// file. Returns the bytes appended; nullopt when the wave cannot be read or
// the raw file not written (it is then left as it was). The raw file is
// created readable by the user alone.
std::optional<std::uint64_t> appendWaveAsPcm(const std::filesystem::path& wave, const std::filesystem::path& raw,
                                             int rate);

// Appends `bytes` of silence (zero samples) to a raw file of PCM 16-bit
// samples, created readable by the user alone; false when it cannot be
// written completely (it is then left as it was).
bool appendSilenceAsPcm(const std::filesystem::path& raw, std::uint64_t bytes);

// Writes raw PCM 16-bit mono samples at `rate` from a file as a wave file, a
// copy in the kernel; a file it creates is readable by the user alone. False
// when the raw file cannot be read, the wave not written completely (a
// partial file is removed), or the sound is more than a wave file can hold.
bool writeWaveFromPcm(const std::filesystem::path& path, const std::filesystem::path& raw, int rate);

}  // namespace velmora::engine
