#pragma once

#include <cstdint>
#include <filesystem>
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
// when the file cannot be created or written completely (full disk).
bool writeWave(const std::filesystem::path& path, const WaveAudio& audio);

}  // namespace velmora::engine
